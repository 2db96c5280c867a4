<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>tessarovin::GlobalStatus</name>
    <message>
        <source>No error occurred.</source>
        <translation>Kein Fehler (Test).</translation>
    </message>
    <message>
        <source>%1 Support</source>
        <translation>%1-Hilfe (Test)</translation>
    </message>
</context>
</TS>
