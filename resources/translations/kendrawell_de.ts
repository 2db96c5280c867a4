<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="de_DE">
<context>
    <name>BuildHelper</name>
    <message>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>Application Version</source>
        <translation>Anwendungsversion</translation>
    </message>
    <message>
        <source>Organization</source>
        <translation>Organisation</translation>
    </message>
    <message>
        <source>Organization Domain</source>
        <translation>Organisationsdomäne</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Kernel</source>
        <translation>Kernel</translation>
    </message>
    <message>
        <source>Architecture</source>
        <translation>Architektur</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Qt Version</source>
        <translation>Qt-Version</translation>
    </message>
    <message>
        <source>OpenSSL Version</source>
        <translation>OpenSSL-Version</translation>
    </message>
</context>
<context>
    <name>tessarovin::ECardApiResult</name>
    <message>
        <source>An unexpected error has occurred during processing.</source>
        <translation>Bei der Verarbeitung ist ein unerwarteter Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>Use of the function by the client application is not permitted.</source>
        <translation>Die Nutzung der Funktion durch die Client-Anwendung ist nicht erlaubt.</translation>
    </message>
    <message>
        <source>An internal error has occurred during processing.</source>
        <translation>Bei der Verarbeitung ist ein interner Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>There was some problem with a provided or omitted parameter.</source>
        <translation>Ein angegebener oder fehlender Parameter hat ein Problem verursacht.</translation>
    </message>
    <message>
        <source>The API function is unknown.</source>
        <translation>Die API-Funktion ist unbekannt.</translation>
    </message>
    <message>
        <source>The framework or layer has not been initialized.</source>
        <translation>Das Framework oder die Schicht wurde nicht initialisiert.</translation>
    </message>
    <message>
        <source>The active session has been terminated.</source>
        <translation>Die aktive Sitzung wurde beendet.</translation>
    </message>
    <message>
        <source>A Communication error occurred during processing.</source>
        <translation>Bei der Verarbeitung ist ein Kommunikationsfehler aufgetreten.</translation>
    </message>
    <message>
        <source>The operation was terminated as the set time was exceeded.</source>
        <translation>Der Vorgang wurde abgebrochen, weil die vorgegebene Zeit überschritten wurde.</translation>
    </message>
    <message>
        <source>The operation was aborted as an invalid channel handle was used.</source>
        <translation>Der Vorgang wurde abgebrochen, weil ein ungültiges Kanal-Handle verwendet wurde.</translation>
    </message>
    <message>
        <source>A trusted channel could not be opened.</source>
        <translation>Ein vertrauenswürdiger Kanal konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The operation was aborted as an unknown protocol was used.</source>
        <translation>Der Vorgang wurde abgebrochen, weil ein unbekanntes Protokoll verwendet wurde.</translation>
    </message>
    <message>
        <source>The operation was aborted as an unknown cipher suite was used.</source>
        <translation>Der Vorgang wurde abgebrochen, weil eine unbekannte Cipher-Suite verwendet wurde.</translation>
    </message>
    <message>
        <source>The operation was aborted as an unknown web service binding was used.</source>
        <translation>Der Vorgang wurde abgebrochen, weil ein unbekanntes Webservice-Binding verwendet wurde.</translation>
    </message>
    <message>
        <source>The card is missing or was removed.</source>
        <translation>Die Karte fehlt oder wurde entfernt.</translation>
    </message>
    <message>
        <source>The new PIN and the confirmation do not match.</source>
        <translation>Die neue PIN und die Bestätigung stimmen nicht überein.</translation>
    </message>
    <message>
        <source>The format of the PIN is wrong.</source>
        <translation>Das Format der PIN ist falsch.</translation>
    </message>
    <message>
        <source>One or more certificate checks failed. The operation will be aborted due to security reasons.</source>
        <translation>Eine oder mehrere Zertifikatsprüfungen sind fehlgeschlagen. Der Vorgang wird aus Sicherheitsgründen abgebrochen.</translation>
    </message>
    <message>
        <source>Signature certificate key generation is not possible.</source>
        <translation>Die Schlüsselerzeugung für das Signaturzertifikat ist nicht möglich.</translation>
    </message>
    <message>
        <source>The process has been cancelled.</source>
        <translation>Der Vorgang wurde abgebrochen.</translation>
    </message>
    <message>
        <source>This action cannot be performed. The eID function of your ID card is not activated.</source>
        <translation>Diese Aktion kann nicht ausgeführt werden. Die Online-Ausweisfunktion Ihres Ausweises ist nicht aktiviert.</translation>
    </message>
    <message>
        <source>The authenticity of your ID card could not be verified. Please make sure that you are using a genuine ID card. Please note that test applications require the use of a test ID card.</source>
        <translation>Die Echtheit Ihres Ausweises konnte nicht geprüft werden. Bitte stellen Sie sicher, dass Sie einen echten Ausweis verwenden. Bitte beachten Sie, dass Testanwendungen einen Testausweis erfordern.</translation>
    </message>
    <message>
        <source>The age verification failed.</source>
        <translation>Die Altersverifikation ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The community verification failed.</source>
        <translation>Die Wohnortprüfung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The ID card is invalid or disabled.</source>
        <translation>Der Ausweis ist ungültig oder gesperrt.</translation>
    </message>
</context>
<context>
    <name>tessarovin::GlobalStatus</name>
    <message>
        <source>%1 Support</source>
        <translation>%1-Support</translation>
    </message>
    <message>
        <source>A secure connection to the provider could not be established. Check the network connection and try again later.</source>
        <translation>Es konnte keine sichere Verbindung zum Anbieter hergestellt werden. Prüfen Sie die Netzwerkverbindung und versuchen Sie es später erneut.</translation>
    </message>
    <message>
        <source>An unexpected error has occurred during processing.</source>
        <translation>Bei der Verarbeitung ist ein unerwarteter Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>No error occurred.</source>
        <translation>Es ist kein Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>The service is temporarily not available. Please try again later.</source>
        <translation>Der Dienst ist vorübergehend nicht verfügbar. Bitte versuchen Sie es später erneut.</translation>
    </message>
    <message>
        <source>The service encountered an internal error while processing a request.</source>
        <translation>Beim Verarbeiten einer Anfrage ist im Dienst ein interner Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>The service reported an error while processing a client request.</source>
        <translation>Der Dienst hat beim Verarbeiten einer Client-Anfrage einen Fehler gemeldet.</translation>
    </message>
    <message>
        <source>It wasn't possible to connect to the server: a secure connection could not be established.</source>
        <translation>Es konnte keine Verbindung zum Server hergestellt werden: Eine sichere Verbindung war nicht möglich.</translation>
    </message>
    <message>
        <source>Establishing a connection is taking too long.</source>
        <translation>Der Verbindungsaufbau dauert zu lange.</translation>
    </message>
    <message>
        <source>Establishing a connection via the proxy did not succeed.</source>
        <translation>Der Verbindungsaufbau über den Proxy ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>An unknown network error occurred. Check your network connection and try to restart the app.</source>
        <translation>Es ist ein unbekannter Netzwerkfehler aufgetreten. Prüfen Sie Ihre Netzwerkverbindung und starten Sie die App neu.</translation>
    </message>
    <message>
        <source>File not found.</source>
        <translation>Datei nicht gefunden.</translation>
    </message>
    <message>
        <source>Cannot save file.</source>
        <translation>Datei kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Received data were corrupted.</source>
        <translation>Die empfangenen Daten waren beschädigt.</translation>
    </message>
    <message>
        <source>Received data does not contain data for the current platform.</source>
        <translation>Die empfangenen Daten enthalten keine Daten für die aktuelle Plattform.</translation>
    </message>
    <message>
        <source>Download aborted.</source>
        <translation>Download abgebrochen.</translation>
    </message>
    <message>
        <source>A new process to start the update could not be launched.</source>
        <translation>Ein neuer Prozess zum Starten der Aktualisierung konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Cannot start authentication. An operation is already active.</source>
        <translation>Die Authentisierung kann nicht gestartet werden. Es ist bereits ein Vorgang aktiv.</translation>
    </message>
    <message>
        <source>The process has been aborted because of an internal error.</source>
        <translation>Der Vorgang wurde wegen eines internen Fehlers abgebrochen.</translation>
    </message>
    <message>
        <source>You have canceled the process.</source>
        <translation>Sie haben den Vorgang abgebrochen.</translation>
    </message>
    <message>
        <source>Restart the authentication process and make sure that the position of the ID card does not change during the reading process.</source>
        <translation>Starten Sie die Authentisierung erneut und achten Sie darauf, dass sich die Lage des Ausweises während des Auslesens nicht verändert.</translation>
    </message>
    <message>
        <source>The authenticity of your ID card could not be confirmed.</source>
        <translation>Die Echtheit Ihres Ausweises konnte nicht bestätigt werden.</translation>
    </message>
    <message>
        <source>The program received an unknown message from the server.</source>
        <translation>Das Programm hat eine unbekannte Nachricht vom Server erhalten.</translation>
    </message>
    <message>
        <source>The program did not receive a StartPaosResponse message from the server.</source>
        <translation>Das Programm hat keine StartPaosResponse-Nachricht vom Server erhalten.</translation>
    </message>
    <message>
        <source>The program received an unexpected message from the server.</source>
        <translation>Das Programm hat eine unerwartete Nachricht vom Server erhalten.</translation>
    </message>
    <message>
        <source>Using the developer mode is only allowed in a test environment.</source>
        <translation>Der Entwicklermodus darf nur in einer Testumgebung verwendet werden.</translation>
    </message>
    <message>
        <source>Pre-verification failed.</source>
        <translation>Die Vorabprüfung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>No unique AT CVC</source>
        <translation>Kein eindeutiges AT-CVC</translation>
    </message>
    <message>
        <source>No unique DV CVC</source>
        <translation>Kein eindeutiges DV-CVC</translation>
    </message>
    <message>
        <source>Authentication failed.</source>
        <translation>Die Authentisierung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The length of the data sent to the ID card was not accepted. Either the data is faulty or your card reader does not support Extended Length communication and cannot be used to read the ID card. Unfortunately, the %1 has no influence on this restriction.</source>
        <translation>Die Länge der an den Ausweis gesendeten Daten wurde nicht akzeptiert. Entweder sind die Daten fehlerhaft oder Ihr Kartenleser unterstützt keine Extended-Length-Kommunikation und kann nicht zum Auslesen des Ausweises verwendet werden. Leider hat %1 keinen Einfluss auf diese Einschränkung.</translation>
    </message>
    <message>
        <source>No certificate description available.</source>
        <translation>Keine Zertifikatsbeschreibung vorhanden.</translation>
    </message>
    <message>
        <source>No subject url available in certificate description.</source>
        <translation>Keine Subject-URL in der Zertifikatsbeschreibung vorhanden.</translation>
    </message>
    <message>
        <source>The certificate description does not match the certificate.</source>
        <translation>Die Zertifikatsbeschreibung passt nicht zum Zertifikat.</translation>
    </message>
    <message>
        <source>The subject URL in the certificate description and the TCToken URL do not satisfy the same origin policy.</source>
        <translation>Die Subject-URL in der Zertifikatsbeschreibung und die TCToken-URL erfüllen die Same-Origin-Policy nicht.</translation>
    </message>
    <message>
        <source>The program received an error from the server.</source>
        <translation>Das Programm hat einen Fehler vom Server erhalten.</translation>
    </message>
    <message>
        <source>The server could not process the client request.</source>
        <translation>Der Server konnte die Client-Anfrage nicht verarbeiten.</translation>
    </message>
    <message>
        <source>Hash of TLS certificate not in certificate description (issuer: %1). This indicates a misconfiguration or manipulation of the certificate. Please check that your antivirus software and firewall are not interfering with TLS traffic.</source>
        <translation>Der Hash des TLS-Zertifikats ist nicht in der Zertifikatsbeschreibung enthalten (Aussteller: %1). Das deutet auf eine Fehlkonfiguration oder Manipulation des Zertifikats hin. Bitte prüfen Sie, ob Ihre Antivirensoftware oder Firewall den TLS-Verkehr beeinflusst.</translation>
    </message>
    <message>
        <source>The TCToken contained no data.</source>
        <translation>Der TCToken enthielt keine Daten.</translation>
    </message>
    <message>
        <source>Error while connecting to the provider. The TLS connection uses an unsupported key algorithm or length.</source>
        <translation>Fehler beim Verbinden mit dem Anbieter. Die TLS-Verbindung verwendet einen nicht unterstützten Schlüsselalgorithmus oder eine nicht unterstützte Schlüssellänge.</translation>
    </message>
    <message>
        <source>Error while connecting to the server. The TLS certificate uses an unsupported key algorithm or length. Certificate issuer: %1</source>
        <translation>Fehler beim Verbinden mit dem Server. Das TLS-Zertifikat verwendet einen nicht unterstützten Schlüsselalgorithmus oder eine nicht unterstützte Schlüssellänge. Zertifikatsaussteller: %1</translation>
    </message>
    <message>
        <source>It wasn't possible to connect to the server: the server sent a non-standard response.</source>
        <translation>Es konnte keine Verbindung zum Server hergestellt werden: Der Server hat eine nicht standardkonforme Antwort gesendet.</translation>
    </message>
    <message>
        <source>The selected card reader cannot be accessed anymore.</source>
        <translation>Auf den gewählten Kartenleser kann nicht mehr zugegriffen werden.</translation>
    </message>
    <message>
        <source>The server provided no or incomplete information. Your personal data could not be read out.</source>
        <translation>Der Server hat keine oder unvollständige Informationen geliefert. Ihre persönlichen Daten konnten nicht ausgelesen werden.</translation>
    </message>
    <message>
        <source>Empty redirect URL</source>
        <translation>Leere Weiterleitungs-URL</translation>
    </message>
    <message>
        <source>Expected redirect, got %1</source>
        <translation>Weiterleitung erwartet, erhalten: %1</translation>
    </message>
    <message>
        <source>Invalid scheme: %1</source>
        <translation>Ungültiges Schema: %1</translation>
    </message>
    <message>
        <source>Malformed redirect URL: %1</source>
        <translation>Fehlerhafte Weiterleitungs-URL: %1</translation>
    </message>
    <message>
        <source>Application was invoked with wrong parameters.</source>
        <translation>Die Anwendung wurde mit falschen Parametern aufgerufen.</translation>
    </message>
    <message>
        <source>Card does not exist</source>
        <translation>Karte existiert nicht</translation>
    </message>
    <message>
        <source>An error occurred while communicating with the ID card. Please make sure that your ID card is placed correctly on the card reader and try again.</source>
        <translation>Bei der Kommunikation mit dem Ausweis ist ein Fehler aufgetreten. Bitte stellen Sie sicher, dass Ihr Ausweis richtig auf dem Kartenleser liegt, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>A protocol error occurred. Please make sure that your ID card is placed correctly on the card reader and try again. If the problem occurs again, please contact our support at %1.</source>
        <translation>Es ist ein Protokollfehler aufgetreten. Bitte stellen Sie sicher, dass Ihr Ausweis richtig auf dem Kartenleser liegt, und versuchen Sie es erneut. Tritt das Problem wieder auf, wenden Sie sich bitte an unseren Support unter %1.</translation>
    </message>
    <message>
        <source>The process has been cancelled by the card reader.</source>
        <translation>Der Vorgang wurde vom Kartenleser abgebrochen.</translation>
    </message>
    <message>
        <source>The maximum time was exceeded during input process.</source>
        <translation>Bei der Eingabe wurde die maximale Zeit überschritten.</translation>
    </message>
    <message>
        <source>The eID function of your ID card is not yet activated.</source>
        <translation>Die Online-Ausweisfunktion Ihres Ausweises ist noch nicht aktiviert.</translation>
    </message>
    <message>
        <source>The PIN is not blocked.</source>
        <translation>Die PIN ist nicht gesperrt.</translation>
    </message>
    <message>
        <source>The entered PUK has already been used 10 times and can no longer be used to unblock the PIN.</source>
        <translation>Die eingegebene PUK wurde bereits 10-mal verwendet und kann nicht mehr zum Entsperren der PIN genutzt werden.</translation>
    </message>
    <message>
        <source>The new PIN and the confirmation do not match.</source>
        <translation>Die neue PIN und die Bestätigung stimmen nicht überein.</translation>
    </message>
    <message>
        <source>The length of the new PIN is not valid.</source>
        <translation>Die Länge der neuen PIN ist ungültig.</translation>
    </message>
    <message>
        <source>The validity verification of the card failed.</source>
        <translation>Die Gültigkeitsprüfung der Karte ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The smartphone as card reader (SaC) connection was aborted.</source>
        <translation>Die Verbindung zum Smartphone als Kartenleser (SaK) wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Smartphone as card reader (SaC) connection request was invalid.</source>
        <translation>Die Verbindungsanfrage an das Smartphone als Kartenleser (SaK) war ungültig.</translation>
    </message>
    <message>
        <source>Your smartphone as card reader (SaC) version is incompatible with the local version. Please install the latest %1 version on both your smartphone and your computer.</source>
        <translation>Die Version Ihres Smartphones als Kartenleser (SaK) ist nicht mit der lokalen Version kompatibel. Bitte installieren Sie die neueste Version von %1 auf Ihrem Smartphone und Ihrem Computer.</translation>
    </message>
    <message>
        <source>An error occurred while trying to establish a connection to the smartphone as card reader (SaC).</source>
        <translation>Beim Aufbau der Verbindung zum Smartphone als Kartenleser (SaK) ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>The smartphone to be paired has rejected the connection. Please check the pairing code.</source>
        <translation>Das zu koppelnde Smartphone hat die Verbindung abgelehnt. Bitte prüfen Sie den Kopplungscode.</translation>
    </message>
</context>
<context>
    <name>tessarovin::HttpHandler</name>
    <message>
        <source>Invalid request (%1)</source>
        <translation>Ungültige Anfrage (%1)</translation>
    </message>
    <message>
        <source>Your browser sent a request that couldn't be interpreted.</source>
        <translation>Ihr Browser hat eine Anfrage gesendet, die nicht verstanden wurde.</translation>
    </message>
    <message>
        <source>Error message:</source>
        <translation>Fehlermeldung:</translation>
    </message>
    <message>
        <source>Unknown request: %1</source>
        <translation>Unbekannte Anfrage: %1</translation>
    </message>
    <message>
        <source>Would you like to report this error?</source>
        <translation>Möchten Sie diesen Fehler melden?</translation>
    </message>
    <message>
        <source>Report now</source>
        <translation>Jetzt melden</translation>
    </message>
</context>
<context>
    <name>tessarovin::LogHandler</name>
    <message>
        <source>An error occurred in log handling: %1</source>
        <translation>Bei der Protokollierung ist ein Fehler aufgetreten: %1</translation>
    </message>
</context>
</TS>