<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>common::cli</name>
    <message>
        <source>Show this help and exit.</source>
        <translation>Diese Hilfe anzeigen und beenden.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Die Version anzeigen und beenden.</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Aufruf: %1 [Optionen]</translation>
    </message>
    <message>
        <source>too few arguments</source>
        <translation>zu wenige Argumente</translation>
    </message>
    <message>
        <source>too many arguments</source>
        <translation>zu viele Argumente</translation>
    </message>
</context>
<context>
    <name>patchwell::download::Texts</name>
    <message>
        <source>Initiating Connection.</source>
        <translation>Verbindung wird hergestellt.</translation>
    </message>
    <message>
        <source>Connection Accepted, Retrieving File Information.</source>
        <translation>Verbindung angenommen, Dateiinformationen werden abgerufen.</translation>
    </message>
    <message>
        <source>Retrieving File Information Complete!</source>
        <translation>Dateiinformationen vollständig abgerufen!</translation>
    </message>
    <message>
        <source>Unauthorized Access, Download Terminated!</source>
        <translation>Unberechtigter Zugriff, Download abgebrochen!</translation>
    </message>
    <message>
        <source>Access Denied, Download Terminated!</source>
        <translation>Zugriff verweigert, Download abgebrochen!</translation>
    </message>
    <message>
        <source>File Not Found!</source>
        <translation>Datei nicht gefunden!</translation>
    </message>
    <message>
        <source>Server Error, Download Terminated!</source>
        <translation>Serverfehler, Download abgebrochen!</translation>
    </message>
    <message>
        <source>cancelled.</source>
        <translation>abgebrochen.</translation>
    </message>
    <message>
        <source>Error Reading File Headers!</source>
        <translation>Fehler beim Lesen der Datei-Header!</translation>
    </message>
    <message>
        <source>Download aborted, no connection present!</source>
        <translation>Download abgebrochen, keine Verbindung vorhanden!</translation>
    </message>
    <message>
        <source>Opening %1 For DATA Input.</source>
        <translation>%1 wird zum Schreiben der Daten geöffnet.</translation>
    </message>
    <message>
        <source>Recieving File</source>
        <translation>Datei wird empfangen</translation>
    </message>
    <message>
        <source>Recieving File, Inputting DATA to File.</source>
        <translation>Datei wird empfangen, Daten werden in die Datei geschrieben.</translation>
    </message>
    <message>
        <source>Paused.</source>
        <translation>Angehalten.</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Abgebrochen.</translation>
    </message>
    <message>
        <source>Download Successful!</source>
        <translation>Download erfolgreich!</translation>
    </message>
    <message>
        <source>Download Aborted Due To Error In Download!</source>
        <translation>Download wegen eines Fehlers abgebrochen!</translation>
    </message>
    <message>
        <source>Resume File Not Found, Aborting Download!</source>
        <translation>Fortsetzungsdatei nicht gefunden, Download wird abgebrochen!</translation>
    </message>
    <message>
        <source>Resume NotSupported, Aborting Download!</source>
        <translation>Fortsetzen nicht unterstützt, Download wird abgebrochen!</translation>
    </message>
    <message>
        <source>Unpausing</source>
        <translation>Wird fortgesetzt</translation>
    </message>
    <message>
        <source>Cancelling..</source>
        <translation>Wird abgebrochen..</translation>
    </message>
    <message>
        <source>Server Error!</source>
        <translation>Serverfehler!</translation>
    </message>
    <message>
        <source>Error Downloading File from : %1</source>
        <translation>Fehler beim Herunterladen der Datei von: %1</translation>
    </message>
    <message>
        <source>Error Reading File Headers.</source>
        <translation>Fehler beim Lesen der Datei-Header.</translation>
    </message>
    <message>
        <source>No Connection Found!</source>
        <translation>Keine Verbindung gefunden!</translation>
    </message>
    <message>
        <source>Resume File Not Found!</source>
        <translation>Fortsetzungsdatei nicht gefunden!</translation>
    </message>
    <message>
        <source>Resume Not Supported!</source>
        <translation>Fortsetzen nicht unterstützt!</translation>
    </message>
    <message>
        <source>Unauthorized Access!</source>
        <translation>Unberechtigter Zugriff!</translation>
    </message>
    <message>
        <source>Access Denied!</source>
        <translation>Zugriff verweigert!</translation>
    </message>
    <message>
        <source>Uknown Error!</source>
        <translation>Unbekannter Fehler!</translation>
    </message>
    <message>
        <source>File Doesn&apos;t Exist!</source>
        <translation>Die Datei existiert nicht!</translation>
    </message>
    <message>
        <source>Download Was Cancelled By User!</source>
        <translation>Der Download wurde vom Benutzer abgebrochen!</translation>
    </message>
    <message>
        <source>No Connection Present!</source>
        <translation>Keine Verbindung vorhanden!</translation>
    </message>
    <message>
        <source>%1 Bytes/S</source>
        <translation>%1 Byte/s</translation>
    </message>
    <message>
        <source>%1 KB/S</source>
        <translation>%1 KB/s</translation>
    </message>
    <message>
        <source>%1 sec</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min %2 sec</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 hr %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>You are not currently connected to the internet!<byte value="xd"/>
The download will be aborted!</source>
        <translation>Sie sind zurzeit nicht mit dem Internet verbunden!<byte value="xd"/>
Der Download wird abgebrochen!</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Überschreiben?</translation>
    </message>
    <message>
        <source>Would you like to overwrite the file at: %1 ?</source>
        <translation>Möchten Sie die Datei %1 überschreiben?</translation>
    </message>
    <message>
        <source>New File...</source>
        <translation>Neue Datei...</translation>
    </message>
    <message>
        <source>Please type in a new file path and name.<byte value="xd"/>
Example: C:\File2.txt</source>
        <translation>Bitte geben Sie einen neuen Dateipfad und -namen ein.<byte value="xd"/>
Beispiel: C:\Datei2.txt</translation>
    </message>
    <message>
        <source>Error!</source>
        <translation>Fehler!</translation>
    </message>
    <message>
        <source>You didn&apos;t specify a file!</source>
        <translation>Sie haben keine Datei angegeben!</translation>
    </message>
    <message>
        <source>Try Again?</source>
        <translation>Erneut versuchen?</translation>
    </message>
    <message>
        <source>You typed in the same file! Would you like type in a different file?</source>
        <translation>Sie haben dieselbe Datei eingegeben! Möchten Sie eine andere Datei eingeben?</translation>
    </message>
</context>
<context>
    <name>patchwell::fetch</name>
    <message>
        <source>Fetches URL into SAVE_LOCATION with the download control and prints each
event as a line: the event&apos;s name, a tab and its value. Then prints the
properties FileExists, FileSize, ResumeSupported, Connected and InDL as
&apos;@&apos; name, a tab and the value.

  --chunk N           bytes per read (CHUNK, default 1024)
  --keep-type         give the saved file the URL&apos;s extension (KeepType)
  --online-check      check the connection first (OnlineCheck)
  --prompt-overwrite  ask before replacing an existing file (PromptOverwrite)
  --probe             only ask for the file&apos;s status and size
  --resume            append the missing rest to a partial SAVE_LOCATION
  --quiet             no event lines; a progress line on a terminal

Exit status: 0 when the download completed (with --probe: when the file
was found with a size above 0), 1 otherwise, 2 for a usage error.
Ctrl-C cancels the transfer and leaves the partial file for --resume;
a second Ctrl-C ends the program at once.
</source>
        <translation>Lädt URL mit dem Download-Steuerelement nach SAVE_LOCATION herunter und gibt
jedes Ereignis als Zeile aus: den Namen des Ereignisses, einen Tabulator und
seinen Wert. Danach gibt es die Eigenschaften FileExists, FileSize,
ResumeSupported, Connected und InDL aus: &apos;@&apos; und Name, einen Tabulator und
den Wert.

  --chunk N           Bytes pro Lesevorgang (CHUNK, Vorgabe 1024)
  --keep-type         der gespeicherten Datei die Endung der URL geben (KeepType)
  --online-check      zuerst die Verbindung prüfen (OnlineCheck)
  --prompt-overwrite  vor dem Ersetzen einer vorhandenen Datei fragen (PromptOverwrite)
  --probe             nur Status und Größe der Datei erfragen
  --resume            den fehlenden Rest an eine unvollständige SAVE_LOCATION anhängen
  --quiet             keine Ereigniszeilen; auf einem Terminal eine Fortschrittszeile

Exit-Status: 0, wenn der Download vollständig ist (mit --probe: wenn die Datei
mit einer Größe über 0 gefunden wurde), sonst 1, 2 bei einem Aufruffehler.
Strg+C bricht die Übertragung ab und lässt die unvollständige Datei für
--resume liegen; ein zweites Strg+C beendet das Programm sofort.
</translation>
    </message>
    <message>
        <source>--chunk needs a number</source>
        <translation>--chunk braucht eine Zahl</translation>
    </message>
    <message>
        <source>--chunk needs a whole number, not &apos;%1&apos;</source>
        <translation>--chunk braucht eine ganze Zahl, nicht &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--probe and --resume exclude each other</source>
        <translation>--probe und --resume schließen einander aus</translation>
    </message>
    <message>
        <source>expected URL and SAVE_LOCATION</source>
        <translation>URL und SAVE_LOCATION erwartet</translation>
    </message>
</context>
<context>
    <name>patchwell::patch::delta</name>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>the base cannot be read</source>
        <translation>die Basis kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the patch cannot be read</source>
        <translation>der Patch kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the patch is no zstd file</source>
        <translation>der Patch ist keine zstd-Datei</translation>
    </message>
    <message>
        <source>the patch asks for more memory than a file of this size needs</source>
        <translation>der Patch verlangt mehr Speicher, als eine Datei dieser Größe braucht</translation>
    </message>
    <message>
        <source>the patch is damaged or made for another base</source>
        <translation>der Patch ist beschädigt oder für eine andere Basis gemacht</translation>
    </message>
    <message>
        <source>the patch is cut short</source>
        <translation>der Patch ist abgeschnitten</translation>
    </message>
    <message>
        <source>the result would be longer than the limit</source>
        <translation>das Ergebnis wäre länger als die Grenze</translation>
    </message>
    <message>
        <source>there is no room for the result</source>
        <translation>für das Ergebnis ist kein Platz</translation>
    </message>
    <message>
        <source>the result cannot be written</source>
        <translation>das Ergebnis kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>%1 bytes (%2 % of %3)</source>
        <translation>%1 Bytes (%2 % von %3)</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>cannot make %1: %2</source>
        <translation>%1 kann nicht erstellt werden: %2</translation>
    </message>
    <message>
        <source>%1: %2
</source>
        <translation>%1: %2
</translation>
    </message>
    <message>
        <source>cannot apply %1: %2</source>
        <translation>%1 kann nicht angewendet werden: %2</translation>
    </message>
    <message>
        <source>%1: %2 bytes
</source>
        <translation>%1: %2 Bytes
</translation>
    </message>
    <message>
        <source>apply: the result may not be longer than BYTES (default: no limit).</source>
        <translation>apply: das Ergebnis darf nicht länger als BYTES sein (Vorgabe: keine Grenze).</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>unbekannter Befehl „%1“</translation>
    </message>
    <message>
        <source>%1 takes %2 file names</source>
        <translation>%1 nimmt %2 Dateinamen</translation>
    </message>
    <message>
        <source>%1 has no option --%2</source>
        <translation>%1 hat keine Option --%2</translation>
    </message>
    <message>
        <source>--limit takes a whole number of bytes</source>
        <translation>--limit nimmt eine ganze Zahl von Bytes</translation>
    </message>
    <message>
        <source>--level takes a whole number</source>
        <translation>--level nimmt eine ganze Zahl</translation>
    </message>
    <message>
        <source>Makes the binary patches and compressed installers of updates and applies them
as patchwell does.
  make OLD NEW OUT       writes to OUT a patch that turns OLD into NEW
  compress IN OUT        writes IN compressed to OUT
  apply BASE PATCH OUT   writes PATCH applied to BASE to OUT (BASE -: PATCH is a
                         compressed file)
OUT - is the standard output; any other OUT appears under its name only once it
is complete. Making a patch takes about 15 s and 240 MB of memory for a 46 MB
installer, 1.5 minutes and 1.6 GB for 500 MB.
Exit status: 0 done, 1 failed, 2 usage error.</source>
        <translation>Erstellt die Binär-Patches und komprimierten Installationsprogramme von Updates
und wendet sie an, wie patchwell es tut.
  make OLD NEW OUT       schreibt nach OUT einen Patch, der OLD zu NEW macht
  compress IN OUT        schreibt IN komprimiert nach OUT
  apply BASE PATCH OUT   schreibt PATCH, auf BASE angewendet, nach OUT (BASE -:
                         PATCH ist eine komprimierte Datei)
OUT - ist die Standardausgabe; jedes andere OUT erscheint erst unter seinem
Namen, wenn es vollständig ist. Ein Patch braucht etwa 15 s und 240 MB Speicher
für ein Installationsprogramm von 46 MB, 1,5 Minuten und 1,6 GB für 500 MB.
Exit-Status: 0 erledigt, 1 fehlgeschlagen, 2 Aufruffehler.</translation>
    </message>
    <message>
        <source>make, compress: the compression level, 1-22 (default: %1 for make, %2 for compress; a patch over more than 64 MiB is made at 15 at most).</source>
        <translation>make, compress: die Kompressionsstufe, 1-22 (Vorgabe: %1 für make, %2 für compress; ein Patch über mehr als 64 MiB wird höchstens mit 15 erstellt).</translation>
    </message>
</context>
<context>
    <name>patchwell::signing::publish</name>
    <message>
        <source>
INSTALLER   the new installer
URL         the address it will have on the web server
VERSION     the version text it installs (curver)
SECRET_KEY  a minisign secret key file (minisign asks for its password)
-o OUTDIR            where to write the files (default: the current folder)
-n SAVE_AS           the name patchwell saves it under (default: the URL&apos;s last part)
-m MANIFEST_URL      where iupdate.ini will be published, exactly as the users&apos;
                     update.ini has it in verchckurl (default: iupdate.ini beside URL)
--expires DAYS       the update information expires DAYS days from now (default 30):
                     republish before then, or patchwell refuses it
--no-expiry          writes no expiry (a replayed manifest is then taken for ever)
--allow-downgrade    lets installations of a newer version take VERSION (a rollback)
--next-key FILE.pub  announces the key that will sign after this one
--rollout PERCENT    offers the update to PERCENT of the installations (0-100)
--notes FILE URL     release notes (plain UTF-8 text, at most 64 KiB) and their address
--channel NAME       writes the update as the section [Update.NAME] of the
                     iupdate.ini already in OUTDIR (other sections stay) and
                     signs the whole; --expires and --next-key still go to [Update]
--delta-from OLD     also writes a binary patch from the earlier installer OLD to
                     this one and lists it (up to 3 times: the last one to three
                     releases); making one takes about 15 s and 240 MB of memory
                     for a 46 MB installer, 1.5 minutes and 1.6 GB for 500 MB
--compress           also writes the installer compressed with zstd (NAME.zst) and
                     lists it, for a smaller full download

Writes, ready to upload: the installer under the URL&apos;s last part, iupdate.ini
(which names the installer&apos;s size and SHA-256) and iupdate.ini.minisig, and
the release notes, patches (NAME.from-HASH.zstpatch) and NAME.zst when
asked for. Upload iupdate.ini and its .minisig to MANIFEST_URL and the other
files to their addresses (the patches and NAME.zst beside the installer).
</source>
        <translation>
INSTALLER   das neue Installationsprogramm
URL         die Adresse, die es auf dem Webserver haben wird
VERSION     der Versionstext, den es installiert (curver)
SECRET_KEY  eine geheime minisign-Schlüsseldatei (minisign fragt nach ihrem Passwort)
-o OUTDIR            wohin die Dateien geschrieben werden (Vorgabe: der aktuelle Ordner)
-n SAVE_AS           der Name, unter dem patchwell es speichert (Vorgabe: letzter Teil der URL)
-m MANIFEST_URL      wo iupdate.ini veröffentlicht wird, genau so, wie es in verchckurl
                     der update.ini der Benutzer steht (Vorgabe: iupdate.ini neben URL)
--expires DAYS       die Update-Informationen laufen in DAYS Tagen ab (Vorgabe 30):
                     vorher neu veröffentlichen, sonst lehnt patchwell sie ab
--no-expiry          schreibt kein Ablaufdatum (ein wiederholtes Manifest gilt dann für immer)
--allow-downgrade    lässt Installationen einer neueren Version VERSION übernehmen (ein Rollback)
--next-key FILE.pub  kündigt den Schlüssel an, der nach diesem signieren wird
--rollout PERCENT    bietet das Update PERCENT Prozent der Installationen an (0-100)
--notes FILE URL     Versionshinweise (reiner UTF-8-Text, höchstens 64 KiB) und ihre Adresse
--channel NAME       schreibt das Update als Abschnitt [Update.NAME] in die bereits
                     in OUTDIR liegende iupdate.ini (andere Abschnitte bleiben) und
                     signiert das Ganze; --expires und --next-key gehen weiter nach [Update]
--delta-from OLD     schreibt auch einen Binär-Patch vom früheren Installationsprogramm
                     OLD zu diesem und führt ihn auf (bis zu dreimal: die letzten ein
                     bis drei Versionen); einer braucht etwa 15 s und 240 MB Speicher
                     für ein Installationsprogramm von 46 MB, 1,5 Minuten und 1,6 GB
                     für 500 MB
--compress           schreibt auch das mit zstd komprimierte Installationsprogramm
                     (NAME.zst) und führt es auf, für einen kleineren vollen Download

Schreibt, bereit zum Hochladen: das Installationsprogramm unter dem letzten Teil
der URL, iupdate.ini (mit Größe und SHA-256 des Installationsprogramms) und
iupdate.ini.minisig sowie, falls verlangt, die Versionshinweise, Patches
(NAME.from-HASH.zstpatch) und NAME.zst. Laden Sie iupdate.ini und ihre .minisig
nach MANIFEST_URL und die anderen Dateien an ihre Adressen hoch (die Patches und
NAME.zst neben das Installationsprogramm).
</translation>
    </message>
</context>
<context>
    <name>patchwell::signing::verify</name>
    <message>
        <source>signature verified</source>
        <translation>Signatur bestätigt</translation>
    </message>
    <message>
        <source>the public key is malformed</source>
        <translation>der öffentliche Schlüssel ist fehlerhaft</translation>
    </message>
    <message>
        <source>the signature is malformed</source>
        <translation>die Signatur ist fehlerhaft</translation>
    </message>
    <message>
        <source>signed with another key</source>
        <translation>mit einem anderen Schlüssel signiert</translation>
    </message>
    <message>
        <source>the signature does not match the data</source>
        <translation>die Signatur passt nicht zu den Daten</translation>
    </message>
    <message>
        <source>the trusted comment does not match its signature</source>
        <translation>der vertrauenswürdige Kommentar passt nicht zu seiner Signatur</translation>
    </message>
    <message>
        <source>the data could not be read</source>
        <translation>die Daten konnten nicht gelesen werden</translation>
    </message>
    <message>
        <source>Checks FILE against its minisign signature the way patchwell does before it runs an installer.
Exit status: 0 verified, 1 not verified, 2 unreadable input or usage error.</source>
        <translation>Prüft FILE gegen seine minisign-Signatur so, wie patchwell es tut, bevor es ein Installationsprogramm ausführt.
Exit-Status: 0 bestätigt, 1 nicht bestätigt, 2 unlesbare Eingabe oder Aufruffehler.</translation>
    </message>
    <message>
        <source>The minisign public key (.pub) to trust.</source>
        <translation>Der öffentliche minisign-Schlüssel (.pub), dem vertraut wird.</translation>
    </message>
    <message>
        <source>The file to check.</source>
        <translation>Die zu prüfende Datei.</translation>
    </message>
    <message>
        <source>Its signature (default: FILE.minisig).</source>
        <translation>Ihre Signatur (Vorgabe: FILE.minisig).</translation>
    </message>
    <message>
        <source>cannot read the key or the signature</source>
        <translation>der Schlüssel oder die Signatur kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>cannot read %1
</source>
        <translation>%1 kann nicht gelesen werden
</translation>
    </message>
    <message>
        <source>trusted comment: %1
</source>
        <translation>vertrauenswürdiger Kommentar: %1
</translation>
    </message>
</context>
<context>
    <name>patchwell::update::Frmchck</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>patchwell::update::options</name>
    <message>
        <source>Keeps the program in its folder up to date. update.ini beside it names the program and where its updates are published.</source>
        <translation>Hält das Programm in seinem Ordner aktuell. Die update.ini daneben nennt das Programm und den Ort, an dem seine Updates veröffentlicht werden.</translation>
    </message>
    <message>
        <source>No message when the program is up to date or the check cannot be carried out; the program starts at once (as quiet=1 in update.ini).</source>
        <translation>Keine Meldung, wenn das Programm aktuell ist oder die Prüfung nicht ausgeführt werden kann; das Programm startet sofort (wie quiet=1 in update.ini).</translation>
    </message>
    <message>
        <source>Check now, whatever checkhours says, and show every outcome.</source>
        <translation>Jetzt prüfen, unabhängig von checkhours, und jedes Ergebnis anzeigen.</translation>
    </message>
    <message>
        <source>Follow the update channel NAME from now on (written to update.ini), then check.</source>
        <translation>Ab jetzt dem Update-Kanal NAME folgen (wird in update.ini geschrieben), dann prüfen.</translation>
    </message>
    <message>
        <source>Forget the signing key kept for this program folder: its updates are then no longer checked for signatures until update.ini names a key.</source>
        <translation>Den für diesen Programmordner gespeicherten Signaturschlüssel vergessen: seine Updates werden dann nicht mehr auf Signaturen geprüft, bis update.ini einen Schlüssel nennt.</translation>
    </message>
    <message>
        <source>a channel is a name of letters, digits, &apos;.&apos;, &apos;_&apos; and &apos;-&apos;</source>
        <translation>ein Kanal ist ein Name aus Buchstaben, Ziffern, &apos;.&apos;, &apos;_&apos; und &apos;-&apos;</translation>
    </message>
    <message>
        <source>Go back to the version installed before the current one, after asking; that version&apos;s installer, kept when it ran, runs again.</source>
        <translation>Nach einer Rückfrage zur Version zurückkehren, die vor der aktuellen installiert war; deren Installationsprogramm, aufbewahrt, als es lief, läuft erneut.</translation>
    </message>
    <message>
        <source>Print the installed version, the signing key, the last check, the skipped version and the kept installers, one &quot;key: value&quot; line each.</source>
        <translation>Die installierte Version, den Signaturschlüssel, die letzte Prüfung, die übersprungene Version und die aufbewahrten Installationsprogramme ausgeben, je eine Zeile &quot;key: value&quot;.</translation>
    </message>
</context>
<context>
    <name>patchwell::update::texts</name>
    <message>
        <source>Patchwell can not check for an update because update.ini can not be found. Or a connection to the internet could not be found. Please check that you are connected, and make sure that a firewall is not stopping Patchwell from accessing the internet. If this error persists, please re-install the program that you was trying to update.</source>
        <translation>Patchwell kann nicht nach einem Update suchen, weil update.ini nicht gefunden wurde oder keine Verbindung zum Internet besteht. Bitte prüfen Sie, ob Sie verbunden sind, und stellen Sie sicher, dass keine Firewall Patchwell den Zugriff auf das Internet verwehrt. Wenn dieser Fehler bestehen bleibt, installieren Sie bitte das Programm, das Sie aktualisieren wollten, neu.</translation>
    </message>
    <message>
        <source>Patchwell can only be ran once</source>
        <translation>Patchwell kann nur einmal gleichzeitig laufen</translation>
    </message>
    <message>
        <source>You have the latest version of %1</source>
        <translation>Sie haben die neueste Version von %1</translation>
    </message>
    <message>
        <source>A connection to the internet could not be found.
Please check that you are connected to the internet and/or
Check if a firewall is blocking Patchwell accessing the internet</source>
        <translation>Es wurde keine Verbindung zum Internet gefunden.
Bitte prüfen Sie, ob Sie mit dem Internet verbunden sind, und/oder
ob eine Firewall Patchwell den Zugriff auf das Internet verwehrt</translation>
    </message>
    <message>
        <source>Patchwell - keeps your programs up to date</source>
        <translation>Patchwell – hält Ihre Programme aktuell</translation>
    </message>
    <message>
        <source>Downloading Update</source>
        <translation>Update wird heruntergeladen</translation>
    </message>
    <message>
        <source>An update has been found</source>
        <translation>Ein Update wurde gefunden</translation>
    </message>
    <message>
        <source>Downloading Update from Korvane</source>
        <translation>Update wird von Korvane heruntergeladen</translation>
    </message>
    <message>
        <source>Downloading File: %1</source>
        <translation>Datei wird heruntergeladen: %1</translation>
    </message>
    <message>
        <source>Recived/Total Size :</source>
        <translation>Empfangen/Gesamtgröße:</translation>
    </message>
    <message>
        <source>Recived/Total Size : %1/%2</source>
        <translation>Empfangen/Gesamtgröße: %1/%2</translation>
    </message>
    <message>
        <source>Transfer Rate: %1</source>
        <translation>Übertragungsrate: %1</translation>
    </message>
    <message>
        <source>Time Remaining: %1</source>
        <translation>Restzeit: %1</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>Status: %1</translation>
    </message>
    <message>
        <source>Percent Downloaded : %1%</source>
        <translation>Heruntergeladen: %1 %</translation>
    </message>
    <message>
        <source>Downloading Update - %1% downloaded</source>
        <translation>Update wird heruntergeladen – %1 % fertig</translation>
    </message>
    <message>
        <source>Error Code - [%1] %2</source>
        <translation>Fehlercode - [%1] %2</translation>
    </message>
    <message>
        <source>Start Update</source>
        <translation>Update starten</translation>
    </message>
    <message>
        <source>Pause Update</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>Resume Update</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Cancel Update</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Installing Latest version</source>
        <translation>Neueste Version wird installiert</translation>
    </message>
    <message>
        <source>Please wait while Patchwell installs the appropriate files for</source>
        <translation>Bitte warten Sie, während Patchwell die nötigen Dateien installiert für</translation>
    </message>
    <message>
        <source>Patchwell could not delete %1</source>
        <translation>Patchwell konnte %1 nicht löschen</translation>
    </message>
    <message>
        <source>Patchwell could not start %1</source>
        <translation>Patchwell konnte %1 nicht starten</translation>
    </message>
    <message>
        <source>Patchwell could not start the installer %1</source>
        <translation>Patchwell konnte das Installationsprogramm %1 nicht starten</translation>
    </message>
    <message>
        <source>The file downloaded from %1 is not the announced installer: %2.</source>
        <translation>Die von %1 heruntergeladene Datei ist nicht das angekündigte Installationsprogramm: %2.</translation>
    </message>
    <message>
        <source>Patchwell cannot update the program in %1: the folder cannot be written to.</source>
        <translation>Patchwell kann das Programm in %1 nicht aktualisieren: In den Ordner kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Patchwell cannot update the program in %1: the update needs %2 of free space there, and only %3 are free.</source>
        <translation>Patchwell kann das Programm in %1 nicht aktualisieren: Das Update braucht dort %2 freien Speicherplatz, und nur %3 sind frei.</translation>
    </message>
    <message>
        <source>The installer %1 failed (%2), so the update may not have been installed.</source>
        <translation>Das Installationsprogramm %1 ist fehlgeschlagen (%2), daher wurde das Update möglicherweise nicht installiert.</translation>
    </message>
    <message>
        <source>exit status %1</source>
        <translation>Exit-Status %1</translation>
    </message>
    <message>
        <source>signal %1%2</source>
        <translation>Signal %1%2</translation>
    </message>
    <message>
        <source>Patchwell could not verify this update, so nothing was installed.
%1</source>
        <translation>Patchwell konnte dieses Update nicht überprüfen, daher wurde nichts installiert.
%1</translation>
    </message>
    <message>
        <source>The installer removed the update signing settings from %1, and Patchwell could not put them back there. Updates of this program are still checked with the key Patchwell keeps for it.</source>
        <translation>Das Installationsprogramm hat die Einstellungen zur Update-Signatur aus %1 entfernt, und Patchwell konnte sie dort nicht wiederherstellen. Updates dieses Programms werden weiterhin mit dem Schlüssel geprüft, den Patchwell dafür aufbewahrt.</translation>
    </message>
    <message>
        <source>patchwell: the signing key of %1 is forgotten; its updates are no longer checked for signatures until update.ini names a key again.</source>
        <translation>patchwell: Der Signaturschlüssel von %1 ist vergessen; seine Updates werden nicht mehr auf Signaturen geprüft, bis update.ini wieder einen Schlüssel nennt.</translation>
    </message>
    <message>
        <source>patchwell: no signing key is kept for %1.</source>
        <translation>patchwell: Für %1 ist kein Signaturschlüssel gespeichert.</translation>
    </message>
    <message>
        <source>patchwell: the signing key of %1 could not be removed.</source>
        <translation>patchwell: Der Signaturschlüssel von %1 konnte nicht entfernt werden.</translation>
    </message>
    <message>
        <source>Your connection is metered; the size of the update is not known.</source>
        <translation>Ihre Verbindung ist getaktet; die Größe des Updates ist nicht bekannt.</translation>
    </message>
    <message>
        <source>Your connection is metered: the update is %1.</source>
        <translation>Ihre Verbindung ist getaktet: Das Update ist %1 groß.</translation>
    </message>
    <message>
        <source>The update information has no signature.</source>
        <translation>Die Update-Informationen haben keine Signatur.</translation>
    </message>
    <message>
        <source>The update information was signed with another key.</source>
        <translation>Die Update-Informationen wurden mit einem anderen Schlüssel signiert.</translation>
    </message>
    <message>
        <source>The update information does not match its signature.</source>
        <translation>Die Update-Informationen passen nicht zu ihrer Signatur.</translation>
    </message>
    <message>
        <source>The public key in update.ini cannot be read.</source>
        <translation>Der öffentliche Schlüssel in update.ini kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The update information carries no signing time.</source>
        <translation>Die Update-Informationen enthalten keine Signaturzeit.</translation>
    </message>
    <message>
        <source>The update information is older than the one used before.</source>
        <translation>Die Update-Informationen sind älter als die zuvor verwendeten.</translation>
    </message>
    <message>
        <source>The signing time recorded in update.ini cannot be read.</source>
        <translation>Die in update.ini gespeicherte Signaturzeit kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The signing time or key could not be recorded in update.ini.</source>
        <translation>Die Signaturzeit oder der Schlüssel konnte nicht in update.ini gespeichert werden.</translation>
    </message>
    <message>
        <source>The update information does not give the installer&apos;s size and SHA-256.</source>
        <translation>Die Update-Informationen nennen weder Größe noch SHA-256 des Installationsprogramms.</translation>
    </message>
    <message>
        <source>The installer&apos;s size or SHA-256 in the update information cannot be read.</source>
        <translation>Größe oder SHA-256 des Installationsprogramms in den Update-Informationen können nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The update information was published for another address.</source>
        <translation>Die Update-Informationen wurden für eine andere Adresse veröffentlicht.</translation>
    </message>
    <message>
        <source>The update information has expired.</source>
        <translation>Die Update-Informationen sind abgelaufen.</translation>
    </message>
    <message>
        <source>The expiry time of the update information cannot be read.</source>
        <translation>Das Ablaufdatum der Update-Informationen kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The next key in the update information cannot be read.</source>
        <translation>Der nächste Schlüssel in den Update-Informationen kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The downloaded installer does not have the size the update information gives.</source>
        <translation>Das heruntergeladene Installationsprogramm hat nicht die Größe, die die Update-Informationen angeben.</translation>
    </message>
    <message>
        <source>The downloaded installer does not have the SHA-256 the update information gives.</source>
        <translation>Das heruntergeladene Installationsprogramm hat nicht den SHA-256, den die Update-Informationen angeben.</translation>
    </message>
    <message>
        <source>The downloaded installer could not be read.</source>
        <translation>Das heruntergeladene Installationsprogramm konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The signing state %1 cannot be read, or another user may change it.</source>
        <translation>Der Signaturstatus %1 kann nicht gelesen werden, oder ein anderer Benutzer kann ihn ändern.</translation>
    </message>
    <message>
        <source>The signing state could not be recorded in %1.</source>
        <translation>Der Signaturstatus konnte nicht in %1 gespeichert werden.</translation>
    </message>
    <message>
        <source>The update information offers version %1, older than the installed %2.</source>
        <translation>Die Update-Informationen bieten Version %1 an, älter als die installierte %2.</translation>
    </message>
    <message>
        <source>The patch could not be used; downloading the full installer.</source>
        <translation>Der Patch konnte nicht verwendet werden; das vollständige Installationsprogramm wird heruntergeladen.</translation>
    </message>
    <message>
        <source>The compressed installer could not be used; downloading the installer itself.</source>
        <translation>Das komprimierte Installationsprogramm konnte nicht verwendet werden; das Installationsprogramm selbst wird heruntergeladen.</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Diese Version überspringen</translation>
    </message>
    <message>
        <source>Patchwell could not record in %2 that version %1 is to be skipped, so it will be offered again.</source>
        <translation>Patchwell konnte in %2 nicht festhalten, dass Version %1 übersprungen werden soll; sie wird daher erneut angeboten.</translation>
    </message>
    <message>
        <source>Go back from version %2 of %1 to version %3, which was installed before?
Version %2 will then not be offered again.</source>
        <translation>Von Version %2 von %1 zu Version %3 zurückkehren, die vorher installiert war?
Version %2 wird danach nicht mehr angeboten.</translation>
    </message>
    <message>
        <source>Patchwell keeps no earlier version of %1 to go back to, so nothing was changed.</source>
        <translation>Patchwell bewahrt keine frühere Version von %1 auf, zu der es zurückkehren könnte; es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>The installer of version %1 kept for going back has changed since it ran, so it was removed and nothing was changed.</source>
        <translation>Das für die Rückkehr aufbewahrte Installationsprogramm von Version %1 hat sich verändert, seit es lief; es wurde daher entfernt, und es wurde nichts geändert.</translation>
    </message>
</context>
</TS>
