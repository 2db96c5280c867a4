<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>tessarovin::GlobalStatus</name>
    <message>
        <source>No error occurred.</source>
        <translation>Aucune erreur (test).</translation>
    </message>
</context>
</TS>
