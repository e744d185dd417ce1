<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>common::cli</name>
    <message>
        <source>Show this help and exit.</source>
        <translation>Affiche cette aide et quitte.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Affiche la version et quitte.</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Utilisation : %1 [options]</translation>
    </message>
    <message>
        <source>too few arguments</source>
        <translation>trop peu d&apos;arguments</translation>
    </message>
    <message>
        <source>too many arguments</source>
        <translation>trop d&apos;arguments</translation>
    </message>
</context>
<context>
    <name>patchwell::download::Texts</name>
    <message>
        <source>Initiating Connection.</source>
        <translation>Connexion en cours.</translation>
    </message>
    <message>
        <source>Connection Accepted, Retrieving File Information.</source>
        <translation>Connexion acceptée, récupération des informations du fichier.</translation>
    </message>
    <message>
        <source>Retrieving File Information Complete!</source>
        <translation>Informations du fichier récupérées !</translation>
    </message>
    <message>
        <source>Unauthorized Access, Download Terminated!</source>
        <translation>Accès non autorisé, téléchargement interrompu !</translation>
    </message>
    <message>
        <source>Access Denied, Download Terminated!</source>
        <translation>Accès refusé, téléchargement interrompu !</translation>
    </message>
    <message>
        <source>File Not Found!</source>
        <translation>Fichier introuvable !</translation>
    </message>
    <message>
        <source>Server Error, Download Terminated!</source>
        <translation>Erreur du serveur, téléchargement interrompu !</translation>
    </message>
    <message>
        <source>cancelled.</source>
        <translation>annulé.</translation>
    </message>
    <message>
        <source>Error Reading File Headers!</source>
        <translation>Erreur de lecture des en-têtes du fichier !</translation>
    </message>
    <message>
        <source>Download aborted, no connection present!</source>
        <translation>Téléchargement interrompu, aucune connexion !</translation>
    </message>
    <message>
        <source>Opening %1 For DATA Input.</source>
        <translation>Ouverture de %1 pour y écrire les données.</translation>
    </message>
    <message>
        <source>Recieving File</source>
        <translation>Réception du fichier</translation>
    </message>
    <message>
        <source>Recieving File, Inputting DATA to File.</source>
        <translation>Réception du fichier, écriture des données dans le fichier.</translation>
    </message>
    <message>
        <source>Paused.</source>
        <translation>En pause.</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Annulé.</translation>
    </message>
    <message>
        <source>Download Successful!</source>
        <translation>Téléchargement réussi !</translation>
    </message>
    <message>
        <source>Download Aborted Due To Error In Download!</source>
        <translation>Téléchargement interrompu à cause d&apos;une erreur !</translation>
    </message>
    <message>
        <source>Resume File Not Found, Aborting Download!</source>
        <translation>Fichier à reprendre introuvable, téléchargement interrompu !</translation>
    </message>
    <message>
        <source>Resume NotSupported, Aborting Download!</source>
        <translation>Reprise non prise en charge, téléchargement interrompu !</translation>
    </message>
    <message>
        <source>Unpausing</source>
        <translation>Reprise</translation>
    </message>
    <message>
        <source>Cancelling..</source>
        <translation>Annulation..</translation>
    </message>
    <message>
        <source>Server Error!</source>
        <translation>Erreur du serveur !</translation>
    </message>
    <message>
        <source>Error Downloading File from : %1</source>
        <translation>Erreur lors du téléchargement du fichier depuis : %1</translation>
    </message>
    <message>
        <source>Error Reading File Headers.</source>
        <translation>Erreur de lecture des en-têtes du fichier.</translation>
    </message>
    <message>
        <source>No Connection Found!</source>
        <translation>Aucune connexion trouvée !</translation>
    </message>
    <message>
        <source>Resume File Not Found!</source>
        <translation>Fichier à reprendre introuvable !</translation>
    </message>
    <message>
        <source>Resume Not Supported!</source>
        <translation>Reprise non prise en charge !</translation>
    </message>
    <message>
        <source>Unauthorized Access!</source>
        <translation>Accès non autorisé !</translation>
    </message>
    <message>
        <source>Access Denied!</source>
        <translation>Accès refusé !</translation>
    </message>
    <message>
        <source>Uknown Error!</source>
        <translation>Erreur inconnue !</translation>
    </message>
    <message>
        <source>File Doesn&apos;t Exist!</source>
        <translation>Le fichier n&apos;existe pas !</translation>
    </message>
    <message>
        <source>Download Was Cancelled By User!</source>
        <translation>Le téléchargement a été annulé par l&apos;utilisateur !</translation>
    </message>
    <message>
        <source>No Connection Present!</source>
        <translation>Aucune connexion !</translation>
    </message>
    <message>
        <source>%1 Bytes/S</source>
        <translation>%1 octets/s</translation>
    </message>
    <message>
        <source>%1 KB/S</source>
        <translation>%1 Ko/s</translation>
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
        <translation>Vous n&apos;êtes pas connecté à Internet !<byte value="xd"/>
Le téléchargement va être interrompu !</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>Remplacer ?</translation>
    </message>
    <message>
        <source>Would you like to overwrite the file at: %1 ?</source>
        <translation>Voulez-vous remplacer le fichier %1 ?</translation>
    </message>
    <message>
        <source>New File...</source>
        <translation>Nouveau fichier...</translation>
    </message>
    <message>
        <source>Please type in a new file path and name.<byte value="xd"/>
Example: C:\File2.txt</source>
        <translation>Veuillez saisir un nouveau chemin et nom de fichier.<byte value="xd"/>
Exemple : C:\Fichier2.txt</translation>
    </message>
    <message>
        <source>Error!</source>
        <translation>Erreur !</translation>
    </message>
    <message>
        <source>You didn&apos;t specify a file!</source>
        <translation>Vous n&apos;avez pas indiqué de fichier !</translation>
    </message>
    <message>
        <source>Try Again?</source>
        <translation>Réessayer ?</translation>
    </message>
    <message>
        <source>You typed in the same file! Would you like type in a different file?</source>
        <translation>Vous avez saisi le même fichier ! Voulez-vous en saisir un autre ?</translation>
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
        <translation>Télécharge URL dans SAVE_LOCATION avec le contrôle de téléchargement et
affiche chaque événement sur une ligne : le nom de l&apos;événement, une tabulation
et sa valeur. Affiche ensuite les propriétés FileExists, FileSize,
ResumeSupported, Connected et InDL : &apos;@&apos; suivi du nom, une tabulation et la
valeur.

  --chunk N           octets par lecture (CHUNK, 1024 par défaut)
  --keep-type         donne au fichier enregistré l&apos;extension de l&apos;URL (KeepType)
  --online-check      vérifie d&apos;abord la connexion (OnlineCheck)
  --prompt-overwrite  demande avant de remplacer un fichier existant (PromptOverwrite)
  --probe             demande seulement l&apos;état et la taille du fichier
  --resume            ajoute la partie manquante à un SAVE_LOCATION incomplet
  --quiet             aucune ligne d&apos;événement ; une ligne de progression dans un terminal

Code de sortie : 0 quand le téléchargement est terminé (avec --probe : quand le
fichier a été trouvé avec une taille supérieure à 0), 1 sinon, 2 pour une
erreur d&apos;utilisation.
Ctrl+C annule le transfert et conserve le fichier incomplet pour --resume ;
un second Ctrl+C termine immédiatement le programme.
</translation>
    </message>
    <message>
        <source>--chunk needs a number</source>
        <translation>--chunk attend un nombre</translation>
    </message>
    <message>
        <source>--chunk needs a whole number, not &apos;%1&apos;</source>
        <translation>--chunk attend un nombre entier, pas &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>option inconnue &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--probe and --resume exclude each other</source>
        <translation>--probe et --resume s&apos;excluent mutuellement</translation>
    </message>
    <message>
        <source>expected URL and SAVE_LOCATION</source>
        <translation>URL et SAVE_LOCATION attendus</translation>
    </message>
</context>
<context>
    <name>patchwell::patch::delta</name>
    <message>
        <source>cannot read %1: %2</source>
        <translation>impossible de lire %1 : %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 n&apos;est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>the base cannot be read</source>
        <translation>la base ne peut pas être lue</translation>
    </message>
    <message>
        <source>the patch cannot be read</source>
        <translation>le correctif ne peut pas être lu</translation>
    </message>
    <message>
        <source>the patch is no zstd file</source>
        <translation>le correctif n&apos;est pas un fichier zstd</translation>
    </message>
    <message>
        <source>the patch asks for more memory than a file of this size needs</source>
        <translation>le correctif demande plus de mémoire qu&apos;il n&apos;en faut pour un fichier de cette taille</translation>
    </message>
    <message>
        <source>the patch is damaged or made for another base</source>
        <translation>le correctif est endommagé ou fait pour une autre base</translation>
    </message>
    <message>
        <source>the patch is cut short</source>
        <translation>le correctif est tronqué</translation>
    </message>
    <message>
        <source>the result would be longer than the limit</source>
        <translation>le résultat dépasserait la limite</translation>
    </message>
    <message>
        <source>there is no room for the result</source>
        <translation>il n&apos;y a pas de place pour le résultat</translation>
    </message>
    <message>
        <source>the result cannot be written</source>
        <translation>le résultat ne peut pas être écrit</translation>
    </message>
    <message>
        <source>%1 bytes (%2 % of %3)</source>
        <translation>%1 octets (%2 % de %3)</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>impossible d&apos;écrire %1 : %2</translation>
    </message>
    <message>
        <source>cannot make %1: %2</source>
        <translation>impossible de créer %1 : %2</translation>
    </message>
    <message>
        <source>%1: %2
</source>
        <translation>%1 : %2
</translation>
    </message>
    <message>
        <source>cannot apply %1: %2</source>
        <translation>impossible d&apos;appliquer %1 : %2</translation>
    </message>
    <message>
        <source>%1: %2 bytes
</source>
        <translation>%1 : %2 octets
</translation>
    </message>
    <message>
        <source>apply: the result may not be longer than BYTES (default: no limit).</source>
        <translation>apply : le résultat ne peut pas dépasser BYTES octets (par défaut : pas de limite).</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>commande inconnue « %1 »</translation>
    </message>
    <message>
        <source>%1 takes %2 file names</source>
        <translation>%1 prend %2 noms de fichier</translation>
    </message>
    <message>
        <source>%1 has no option --%2</source>
        <translation>%1 n&apos;a pas d&apos;option --%2</translation>
    </message>
    <message>
        <source>--limit takes a whole number of bytes</source>
        <translation>--limit prend un nombre entier d&apos;octets</translation>
    </message>
    <message>
        <source>--level takes a whole number</source>
        <translation>--level prend un nombre entier</translation>
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
        <translation>Crée les correctifs binaires et les programmes d&apos;installation compressés des
mises à jour et les applique comme patchwell.
  make OLD NEW OUT       écrit dans OUT un correctif qui change OLD en NEW
  compress IN OUT        écrit IN compressé dans OUT
  apply BASE PATCH OUT   écrit PATCH appliqué à BASE dans OUT (BASE - : PATCH est
                         un fichier compressé)
OUT - est la sortie standard ; tout autre OUT n&apos;apparaît sous son nom qu&apos;une
fois complet. Un correctif prend environ 15 s et 240 Mo de mémoire pour un
programme d&apos;installation de 46 Mo, 1,5 minute et 1,6 Go pour 500 Mo.
Code de sortie : 0 fait, 1 échec, 2 erreur d&apos;utilisation.</translation>
    </message>
    <message>
        <source>make, compress: the compression level, 1-22 (default: %1 for make, %2 for compress; a patch over more than 64 MiB is made at 15 at most).</source>
        <translation>make, compress : le niveau de compression, 1-22 (par défaut : %1 pour make, %2 pour compress ; un correctif sur plus de 64 Mio est fait au niveau 15 au plus).</translation>
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
INSTALLER   le nouveau programme d&apos;installation
URL         l&apos;adresse qu&apos;il aura sur le serveur web
VERSION     le texte de version qu&apos;il installe (curver)
SECRET_KEY  un fichier de clé secrète minisign (minisign demande son mot de passe)
-o OUTDIR            où écrire les fichiers (par défaut : le dossier courant)
-n SAVE_AS           le nom sous lequel patchwell l&apos;enregistre (par défaut : la fin de l&apos;URL)
-m MANIFEST_URL      où iupdate.ini sera publié, exactement comme dans verchckurl
                     du update.ini des utilisateurs (par défaut : iupdate.ini à côté d&apos;URL)
--expires DAYS       les informations de mise à jour expirent dans DAYS jours (30 par défaut) :
                     republiez avant, sinon patchwell les refuse
--no-expiry          n&apos;écrit pas d&apos;expiration (un manifeste rejoué est alors accepté pour toujours)
--allow-downgrade    permet aux installations d&apos;une version plus récente de prendre VERSION
                     (un retour en arrière)
--next-key FILE.pub  annonce la clé qui signera après celle-ci
--rollout PERCENT    propose la mise à jour à PERCENT % des installations (0-100)
--notes FILE URL     notes de version (texte UTF-8 brut, 64 Kio au plus) et leur adresse
--channel NAME       écrit la mise à jour dans la section [Update.NAME] du fichier
                     iupdate.ini déjà présent dans OUTDIR (les autres sections restent)
                     et signe le tout ; --expires et --next-key vont toujours dans [Update]
--delta-from OLD     écrit aussi un correctif binaire du programme d&apos;installation
                     précédent OLD vers celui-ci et l&apos;indique (jusqu&apos;à 3 fois : les une
                     à trois dernières versions) ; un correctif prend environ 15 s et
                     240 Mo de mémoire pour un programme d&apos;installation de 46 Mo,
                     1,5 minute et 1,6 Go pour 500 Mo
--compress           écrit aussi le programme d&apos;installation compressé avec zstd
                     (NAME.zst) et l&apos;indique, pour un téléchargement complet plus petit

Écrit, prêts à être envoyés : le programme d&apos;installation sous la fin de l&apos;URL,
iupdate.ini (qui indique la taille et le SHA-256 du programme d&apos;installation) et
iupdate.ini.minisig, ainsi que les notes de version, les correctifs
(NAME.from-HASH.zstpatch) et NAME.zst s&apos;ils sont demandés. Envoyez iupdate.ini et
son .minisig à MANIFEST_URL et les autres fichiers à leurs adresses (les
correctifs et NAME.zst à côté du programme d&apos;installation).
</translation>
    </message>
</context>
<context>
    <name>patchwell::signing::verify</name>
    <message>
        <source>signature verified</source>
        <translation>signature vérifiée</translation>
    </message>
    <message>
        <source>the public key is malformed</source>
        <translation>la clé publique est mal formée</translation>
    </message>
    <message>
        <source>the signature is malformed</source>
        <translation>la signature est mal formée</translation>
    </message>
    <message>
        <source>signed with another key</source>
        <translation>signé avec une autre clé</translation>
    </message>
    <message>
        <source>the signature does not match the data</source>
        <translation>la signature ne correspond pas aux données</translation>
    </message>
    <message>
        <source>the trusted comment does not match its signature</source>
        <translation>le commentaire de confiance ne correspond pas à sa signature</translation>
    </message>
    <message>
        <source>the data could not be read</source>
        <translation>les données n&apos;ont pas pu être lues</translation>
    </message>
    <message>
        <source>Checks FILE against its minisign signature the way patchwell does before it runs an installer.
Exit status: 0 verified, 1 not verified, 2 unreadable input or usage error.</source>
        <translation>Vérifie FILE par rapport à sa signature minisign comme le fait patchwell avant de lancer un programme d&apos;installation.
Code de sortie : 0 vérifié, 1 non vérifié, 2 entrée illisible ou erreur d&apos;utilisation.</translation>
    </message>
    <message>
        <source>The minisign public key (.pub) to trust.</source>
        <translation>La clé publique minisign (.pub) à laquelle se fier.</translation>
    </message>
    <message>
        <source>The file to check.</source>
        <translation>Le fichier à vérifier.</translation>
    </message>
    <message>
        <source>Its signature (default: FILE.minisig).</source>
        <translation>Sa signature (par défaut : FILE.minisig).</translation>
    </message>
    <message>
        <source>cannot read the key or the signature</source>
        <translation>impossible de lire la clé ou la signature</translation>
    </message>
    <message>
        <source>cannot read %1
</source>
        <translation>impossible de lire %1
</translation>
    </message>
    <message>
        <source>trusted comment: %1
</source>
        <translation>commentaire de confiance : %1
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
        <translation>Tient à jour le programme de son dossier. Le fichier update.ini placé à côté indique le programme et l&apos;endroit où ses mises à jour sont publiées.</translation>
    </message>
    <message>
        <source>No message when the program is up to date or the check cannot be carried out; the program starts at once (as quiet=1 in update.ini).</source>
        <translation>Aucun message quand le programme est à jour ou que la vérification ne peut pas être effectuée ; le programme démarre aussitôt (comme quiet=1 dans update.ini).</translation>
    </message>
    <message>
        <source>Check now, whatever checkhours says, and show every outcome.</source>
        <translation>Vérifie maintenant, quoi qu&apos;indique checkhours, et affiche chaque résultat.</translation>
    </message>
    <message>
        <source>Follow the update channel NAME from now on (written to update.ini), then check.</source>
        <translation>Suit désormais le canal de mise à jour NAME (écrit dans update.ini), puis vérifie.</translation>
    </message>
    <message>
        <source>Forget the signing key kept for this program folder: its updates are then no longer checked for signatures until update.ini names a key.</source>
        <translation>Oublie la clé de signature conservée pour ce dossier de programme : ses mises à jour ne sont alors plus vérifiées par signature tant que update.ini n&apos;indique pas de clé.</translation>
    </message>
    <message>
        <source>a channel is a name of letters, digits, &apos;.&apos;, &apos;_&apos; and &apos;-&apos;</source>
        <translation>un canal est un nom composé de lettres, de chiffres, de &apos;.&apos;, &apos;_&apos; et &apos;-&apos;</translation>
    </message>
    <message>
        <source>Go back to the version installed before the current one, after asking; that version&apos;s installer, kept when it ran, runs again.</source>
        <translation>Revenir, après confirmation, à la version installée avant l&apos;actuelle ; son programme d&apos;installation, conservé lors de son exécution, est relancé.</translation>
    </message>
    <message>
        <source>Print the installed version, the signing key, the last check, the skipped version and the kept installers, one &quot;key: value&quot; line each.</source>
        <translation>Afficher la version installée, la clé de signature, la dernière vérification, la version ignorée et les programmes d&apos;installation conservés, une ligne &quot;key: value&quot; chacun.</translation>
    </message>
</context>
<context>
    <name>patchwell::update::texts</name>
    <message>
        <source>Patchwell can not check for an update because update.ini can not be found. Or a connection to the internet could not be found. Please check that you are connected, and make sure that a firewall is not stopping Patchwell from accessing the internet. If this error persists, please re-install the program that you was trying to update.</source>
        <translation>Patchwell ne peut pas rechercher de mise à jour, car update.ini est introuvable ou aucune connexion à Internet n&apos;a été trouvée. Vérifiez que vous êtes connecté et qu&apos;aucun pare-feu n&apos;empêche Patchwell d&apos;accéder à Internet. Si l&apos;erreur persiste, réinstallez le programme que vous vouliez mettre à jour.</translation>
    </message>
    <message>
        <source>Patchwell can only be ran once</source>
        <translation>Patchwell ne peut être lancé qu&apos;une seule fois</translation>
    </message>
    <message>
        <source>You have the latest version of %1</source>
        <translation>Vous avez la dernière version de %1</translation>
    </message>
    <message>
        <source>A connection to the internet could not be found.
Please check that you are connected to the internet and/or
Check if a firewall is blocking Patchwell accessing the internet</source>
        <translation>Aucune connexion à Internet n&apos;a été trouvée.
Vérifiez que vous êtes connecté à Internet et/ou
qu&apos;aucun pare-feu n&apos;empêche Patchwell d&apos;accéder à Internet</translation>
    </message>
    <message>
        <source>Patchwell - keeps your programs up to date</source>
        <translation>Patchwell - garde vos programmes à jour</translation>
    </message>
    <message>
        <source>Downloading Update</source>
        <translation>Téléchargement de la mise à jour</translation>
    </message>
    <message>
        <source>An update has been found</source>
        <translation>Une mise à jour a été trouvée</translation>
    </message>
    <message>
        <source>Downloading Update from Korvane</source>
        <translation>Téléchargement de la mise à jour depuis Korvane</translation>
    </message>
    <message>
        <source>Downloading File: %1</source>
        <translation>Fichier en cours de téléchargement : %1</translation>
    </message>
    <message>
        <source>Recived/Total Size :</source>
        <translation>Reçu/taille totale :</translation>
    </message>
    <message>
        <source>Recived/Total Size : %1/%2</source>
        <translation>Reçu/taille totale : %1/%2</translation>
    </message>
    <message>
        <source>Transfer Rate: %1</source>
        <translation>Débit : %1</translation>
    </message>
    <message>
        <source>Time Remaining: %1</source>
        <translation>Temps restant : %1</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>État :</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>État : %1</translation>
    </message>
    <message>
        <source>Percent Downloaded : %1%</source>
        <translation>Pourcentage téléchargé : %1 %</translation>
    </message>
    <message>
        <source>Downloading Update - %1% downloaded</source>
        <translation>Téléchargement de la mise à jour - %1 % téléchargés</translation>
    </message>
    <message>
        <source>Error Code - [%1] %2</source>
        <translation>Code d&apos;erreur - [%1] %2</translation>
    </message>
    <message>
        <source>Start Update</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Pause Update</source>
        <translation>Suspendre</translation>
    </message>
    <message>
        <source>Resume Update</source>
        <translation>Reprendre</translation>
    </message>
    <message>
        <source>Cancel Update</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Installing Latest version</source>
        <translation>Installation de la dernière version</translation>
    </message>
    <message>
        <source>Please wait while Patchwell installs the appropriate files for</source>
        <translation>Veuillez patienter pendant que Patchwell installe les fichiers nécessaires à</translation>
    </message>
    <message>
        <source>Patchwell could not delete %1</source>
        <translation>Patchwell n&apos;a pas pu supprimer %1</translation>
    </message>
    <message>
        <source>Patchwell could not start %1</source>
        <translation>Patchwell n&apos;a pas pu lancer %1</translation>
    </message>
    <message>
        <source>Patchwell could not start the installer %1</source>
        <translation>Patchwell n&apos;a pas pu lancer le programme d&apos;installation %1</translation>
    </message>
    <message>
        <source>The file downloaded from %1 is not the announced installer: %2.</source>
        <translation>Le fichier téléchargé depuis %1 n&apos;est pas le programme d&apos;installation annoncé : %2.</translation>
    </message>
    <message>
        <source>Patchwell cannot update the program in %1: the folder cannot be written to.</source>
        <translation>Patchwell ne peut pas mettre à jour le programme dans %1 : le dossier n&apos;est pas accessible en écriture.</translation>
    </message>
    <message>
        <source>Patchwell cannot update the program in %1: the update needs %2 of free space there, and only %3 are free.</source>
        <translation>Patchwell ne peut pas mettre à jour le programme dans %1 : la mise à jour y nécessite %2 d&apos;espace libre, et seuls %3 sont libres.</translation>
    </message>
    <message>
        <source>The installer %1 failed (%2), so the update may not have been installed.</source>
        <translation>Le programme d&apos;installation %1 a échoué (%2) ; la mise à jour n&apos;a donc peut-être pas été installée.</translation>
    </message>
    <message>
        <source>exit status %1</source>
        <translation>code de sortie %1</translation>
    </message>
    <message>
        <source>signal %1%2</source>
        <translation>signal %1%2</translation>
    </message>
    <message>
        <source>Patchwell could not verify this update, so nothing was installed.
%1</source>
        <translation>Patchwell n&apos;a pas pu vérifier cette mise à jour ; rien n&apos;a donc été installé.
%1</translation>
    </message>
    <message>
        <source>The installer removed the update signing settings from %1, and Patchwell could not put them back there. Updates of this program are still checked with the key Patchwell keeps for it.</source>
        <translation>Le programme d&apos;installation a supprimé les paramètres de signature des mises à jour de %1, et Patchwell n&apos;a pas pu les y remettre. Les mises à jour de ce programme restent vérifiées avec la clé que Patchwell conserve pour lui.</translation>
    </message>
    <message>
        <source>patchwell: the signing key of %1 is forgotten; its updates are no longer checked for signatures until update.ini names a key again.</source>
        <translation>patchwell : la clé de signature de %1 est oubliée ; ses mises à jour ne sont plus vérifiées par signature jusqu&apos;à ce que update.ini indique de nouveau une clé.</translation>
    </message>
    <message>
        <source>patchwell: no signing key is kept for %1.</source>
        <translation>patchwell : aucune clé de signature n&apos;est conservée pour %1.</translation>
    </message>
    <message>
        <source>patchwell: the signing key of %1 could not be removed.</source>
        <translation>patchwell : la clé de signature de %1 n&apos;a pas pu être supprimée.</translation>
    </message>
    <message>
        <source>Your connection is metered; the size of the update is not known.</source>
        <translation>Votre connexion est limitée ; la taille de la mise à jour n&apos;est pas connue.</translation>
    </message>
    <message>
        <source>Your connection is metered: the update is %1.</source>
        <translation>Votre connexion est limitée : la mise à jour fait %1.</translation>
    </message>
    <message>
        <source>The update information has no signature.</source>
        <translation>Les informations de mise à jour n&apos;ont pas de signature.</translation>
    </message>
    <message>
        <source>The update information was signed with another key.</source>
        <translation>Les informations de mise à jour ont été signées avec une autre clé.</translation>
    </message>
    <message>
        <source>The update information does not match its signature.</source>
        <translation>Les informations de mise à jour ne correspondent pas à leur signature.</translation>
    </message>
    <message>
        <source>The public key in update.ini cannot be read.</source>
        <translation>La clé publique de update.ini ne peut pas être lue.</translation>
    </message>
    <message>
        <source>The update information carries no signing time.</source>
        <translation>Les informations de mise à jour ne contiennent pas d&apos;heure de signature.</translation>
    </message>
    <message>
        <source>The update information is older than the one used before.</source>
        <translation>Les informations de mise à jour sont plus anciennes que celles utilisées auparavant.</translation>
    </message>
    <message>
        <source>The signing time recorded in update.ini cannot be read.</source>
        <translation>L&apos;heure de signature enregistrée dans update.ini ne peut pas être lue.</translation>
    </message>
    <message>
        <source>The signing time or key could not be recorded in update.ini.</source>
        <translation>L&apos;heure de signature ou la clé n&apos;a pas pu être enregistrée dans update.ini.</translation>
    </message>
    <message>
        <source>The update information does not give the installer&apos;s size and SHA-256.</source>
        <translation>Les informations de mise à jour n&apos;indiquent pas la taille et le SHA-256 du programme d&apos;installation.</translation>
    </message>
    <message>
        <source>The installer&apos;s size or SHA-256 in the update information cannot be read.</source>
        <translation>La taille ou le SHA-256 du programme d&apos;installation dans les informations de mise à jour ne peuvent pas être lus.</translation>
    </message>
    <message>
        <source>The update information was published for another address.</source>
        <translation>Les informations de mise à jour ont été publiées pour une autre adresse.</translation>
    </message>
    <message>
        <source>The update information has expired.</source>
        <translation>Les informations de mise à jour ont expiré.</translation>
    </message>
    <message>
        <source>The expiry time of the update information cannot be read.</source>
        <translation>La date d&apos;expiration des informations de mise à jour ne peut pas être lue.</translation>
    </message>
    <message>
        <source>The next key in the update information cannot be read.</source>
        <translation>La clé suivante des informations de mise à jour ne peut pas être lue.</translation>
    </message>
    <message>
        <source>The downloaded installer does not have the size the update information gives.</source>
        <translation>Le programme d&apos;installation téléchargé n&apos;a pas la taille indiquée par les informations de mise à jour.</translation>
    </message>
    <message>
        <source>The downloaded installer does not have the SHA-256 the update information gives.</source>
        <translation>Le programme d&apos;installation téléchargé n&apos;a pas le SHA-256 indiqué par les informations de mise à jour.</translation>
    </message>
    <message>
        <source>The downloaded installer could not be read.</source>
        <translation>Le programme d&apos;installation téléchargé n&apos;a pas pu être lu.</translation>
    </message>
    <message>
        <source>The signing state %1 cannot be read, or another user may change it.</source>
        <translation>L&apos;état de signature %1 ne peut pas être lu, ou un autre utilisateur peut le modifier.</translation>
    </message>
    <message>
        <source>The signing state could not be recorded in %1.</source>
        <translation>L&apos;état de signature n&apos;a pas pu être enregistré dans %1.</translation>
    </message>
    <message>
        <source>The update information offers version %1, older than the installed %2.</source>
        <translation>Les informations de mise à jour proposent la version %1, plus ancienne que la version %2 installée.</translation>
    </message>
    <message>
        <source>The patch could not be used; downloading the full installer.</source>
        <translation>Le correctif n&apos;a pas pu être utilisé ; téléchargement du programme d&apos;installation complet.</translation>
    </message>
    <message>
        <source>The compressed installer could not be used; downloading the installer itself.</source>
        <translation>Le programme d&apos;installation compressé n&apos;a pas pu être utilisé ; téléchargement du programme d&apos;installation lui-même.</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Ignorer cette version</translation>
    </message>
    <message>
        <source>Patchwell could not record in %2 that version %1 is to be skipped, so it will be offered again.</source>
        <translation>Patchwell n&apos;a pas pu noter dans %2 que la version %1 doit être ignorée ; elle sera donc proposée de nouveau.</translation>
    </message>
    <message>
        <source>Go back from version %2 of %1 to version %3, which was installed before?
Version %2 will then not be offered again.</source>
        <translation>Revenir de la version %2 de %1 à la version %3, installée auparavant ?
La version %2 ne sera alors plus proposée.</translation>
    </message>
    <message>
        <source>Patchwell keeps no earlier version of %1 to go back to, so nothing was changed.</source>
        <translation>Patchwell ne conserve aucune version antérieure de %1 à laquelle revenir ; rien n&apos;a été modifié.</translation>
    </message>
    <message>
        <source>The installer of version %1 kept for going back has changed since it ran, so it was removed and nothing was changed.</source>
        <translation>Le programme d&apos;installation de la version %1 conservé pour revenir en arrière a changé depuis son exécution ; il a donc été supprimé et rien n&apos;a été modifié.</translation>
    </message>
</context>
</TS>
