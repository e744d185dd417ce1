<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>common::cli</name>
    <message>
        <source>Show this help and exit.</source>
        <translation>Muestra esta ayuda y sale.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Muestra la versión y sale.</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Uso: %1 [opciones]</translation>
    </message>
    <message>
        <source>too few arguments</source>
        <translation>faltan argumentos</translation>
    </message>
    <message>
        <source>too many arguments</source>
        <translation>sobran argumentos</translation>
    </message>
</context>
<context>
    <name>patchwell::download::Texts</name>
    <message>
        <source>Initiating Connection.</source>
        <translation>Iniciando la conexión.</translation>
    </message>
    <message>
        <source>Connection Accepted, Retrieving File Information.</source>
        <translation>Conexión aceptada, obteniendo la información del archivo.</translation>
    </message>
    <message>
        <source>Retrieving File Information Complete!</source>
        <translation>¡Información del archivo obtenida!</translation>
    </message>
    <message>
        <source>Unauthorized Access, Download Terminated!</source>
        <translation>¡Acceso no autorizado, descarga interrumpida!</translation>
    </message>
    <message>
        <source>Access Denied, Download Terminated!</source>
        <translation>¡Acceso denegado, descarga interrumpida!</translation>
    </message>
    <message>
        <source>File Not Found!</source>
        <translation>¡Archivo no encontrado!</translation>
    </message>
    <message>
        <source>Server Error, Download Terminated!</source>
        <translation>¡Error del servidor, descarga interrumpida!</translation>
    </message>
    <message>
        <source>cancelled.</source>
        <translation>cancelado.</translation>
    </message>
    <message>
        <source>Error Reading File Headers!</source>
        <translation>¡Error al leer las cabeceras del archivo!</translation>
    </message>
    <message>
        <source>Download aborted, no connection present!</source>
        <translation>¡Descarga interrumpida, no hay conexión!</translation>
    </message>
    <message>
        <source>Opening %1 For DATA Input.</source>
        <translation>Abriendo %1 para escribir los datos.</translation>
    </message>
    <message>
        <source>Recieving File</source>
        <translation>Recibiendo el archivo</translation>
    </message>
    <message>
        <source>Recieving File, Inputting DATA to File.</source>
        <translation>Recibiendo el archivo, escribiendo los datos en el archivo.</translation>
    </message>
    <message>
        <source>Paused.</source>
        <translation>En pausa.</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Cancelado.</translation>
    </message>
    <message>
        <source>Download Successful!</source>
        <translation>¡Descarga completada!</translation>
    </message>
    <message>
        <source>Download Aborted Due To Error In Download!</source>
        <translation>¡Descarga interrumpida por un error!</translation>
    </message>
    <message>
        <source>Resume File Not Found, Aborting Download!</source>
        <translation>¡No se encontró el archivo que reanudar, se interrumpe la descarga!</translation>
    </message>
    <message>
        <source>Resume NotSupported, Aborting Download!</source>
        <translation>¡Reanudación no admitida, se interrumpe la descarga!</translation>
    </message>
    <message>
        <source>Unpausing</source>
        <translation>Reanudando</translation>
    </message>
    <message>
        <source>Cancelling..</source>
        <translation>Cancelando..</translation>
    </message>
    <message>
        <source>Server Error!</source>
        <translation>¡Error del servidor!</translation>
    </message>
    <message>
        <source>Error Downloading File from : %1</source>
        <translation>Error al descargar el archivo desde: %1</translation>
    </message>
    <message>
        <source>Error Reading File Headers.</source>
        <translation>Error al leer las cabeceras del archivo.</translation>
    </message>
    <message>
        <source>No Connection Found!</source>
        <translation>¡No se encontró ninguna conexión!</translation>
    </message>
    <message>
        <source>Resume File Not Found!</source>
        <translation>¡No se encontró el archivo que reanudar!</translation>
    </message>
    <message>
        <source>Resume Not Supported!</source>
        <translation>¡Reanudación no admitida!</translation>
    </message>
    <message>
        <source>Unauthorized Access!</source>
        <translation>¡Acceso no autorizado!</translation>
    </message>
    <message>
        <source>Access Denied!</source>
        <translation>¡Acceso denegado!</translation>
    </message>
    <message>
        <source>Uknown Error!</source>
        <translation>¡Error desconocido!</translation>
    </message>
    <message>
        <source>File Doesn&apos;t Exist!</source>
        <translation>¡El archivo no existe!</translation>
    </message>
    <message>
        <source>Download Was Cancelled By User!</source>
        <translation>¡El usuario canceló la descarga!</translation>
    </message>
    <message>
        <source>No Connection Present!</source>
        <translation>¡No hay conexión!</translation>
    </message>
    <message>
        <source>%1 Bytes/S</source>
        <translation>%1 bytes/s</translation>
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
        <translation>¡No está conectado a Internet!<byte value="xd"/>
Se interrumpirá la descarga.</translation>
    </message>
    <message>
        <source>Overwrite?</source>
        <translation>¿Sobrescribir?</translation>
    </message>
    <message>
        <source>Would you like to overwrite the file at: %1 ?</source>
        <translation>¿Desea sobrescribir el archivo %1?</translation>
    </message>
    <message>
        <source>New File...</source>
        <translation>Archivo nuevo...</translation>
    </message>
    <message>
        <source>Please type in a new file path and name.<byte value="xd"/>
Example: C:\File2.txt</source>
        <translation>Escriba una nueva ruta y un nuevo nombre de archivo.<byte value="xd"/>
Ejemplo: C:\Archivo2.txt</translation>
    </message>
    <message>
        <source>Error!</source>
        <translation>¡Error!</translation>
    </message>
    <message>
        <source>You didn&apos;t specify a file!</source>
        <translation>¡No ha indicado ningún archivo!</translation>
    </message>
    <message>
        <source>Try Again?</source>
        <translation>¿Volver a intentarlo?</translation>
    </message>
    <message>
        <source>You typed in the same file! Would you like type in a different file?</source>
        <translation>¡Ha escrito el mismo archivo! ¿Desea escribir otro archivo?</translation>
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
        <translation>Descarga URL en SAVE_LOCATION con el control de descarga y muestra cada
evento en una línea: el nombre del evento, un tabulador y su valor. Después
muestra las propiedades FileExists, FileSize, ResumeSupported, Connected e
InDL: &apos;@&apos; y el nombre, un tabulador y el valor.

  --chunk N           bytes por lectura (CHUNK, 1024 por omisión)
  --keep-type         da al archivo guardado la extensión de la URL (KeepType)
  --online-check      comprueba primero la conexión (OnlineCheck)
  --prompt-overwrite  pregunta antes de sustituir un archivo existente (PromptOverwrite)
  --probe             solo pide el estado y el tamaño del archivo
  --resume            añade lo que falta a un SAVE_LOCATION incompleto
  --quiet             sin líneas de eventos; una línea de progreso en un terminal

Estado de salida: 0 si la descarga se completó (con --probe: si el archivo se
encontró con un tamaño mayor que 0), 1 en otro caso, 2 si hay un error de uso.
Ctrl+C cancela la transferencia y conserva el archivo incompleto para --resume;
un segundo Ctrl+C termina el programa de inmediato.
</translation>
    </message>
    <message>
        <source>--chunk needs a number</source>
        <translation>--chunk necesita un número</translation>
    </message>
    <message>
        <source>--chunk needs a whole number, not &apos;%1&apos;</source>
        <translation>--chunk necesita un número entero, no &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>opción desconocida &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--probe and --resume exclude each other</source>
        <translation>--probe y --resume se excluyen mutuamente</translation>
    </message>
    <message>
        <source>expected URL and SAVE_LOCATION</source>
        <translation>se esperaban URL y SAVE_LOCATION</translation>
    </message>
</context>
<context>
    <name>patchwell::patch::delta</name>
    <message>
        <source>cannot read %1: %2</source>
        <translation>no se puede leer %1: %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 no es un archivo normal</translation>
    </message>
    <message>
        <source>the base cannot be read</source>
        <translation>no se puede leer la base</translation>
    </message>
    <message>
        <source>the patch cannot be read</source>
        <translation>no se puede leer el parche</translation>
    </message>
    <message>
        <source>the patch is no zstd file</source>
        <translation>el parche no es un archivo zstd</translation>
    </message>
    <message>
        <source>the patch asks for more memory than a file of this size needs</source>
        <translation>el parche pide más memoria de la que necesita un archivo de este tamaño</translation>
    </message>
    <message>
        <source>the patch is damaged or made for another base</source>
        <translation>el parche está dañado o hecho para otra base</translation>
    </message>
    <message>
        <source>the patch is cut short</source>
        <translation>el parche está cortado</translation>
    </message>
    <message>
        <source>the result would be longer than the limit</source>
        <translation>el resultado superaría el límite</translation>
    </message>
    <message>
        <source>there is no room for the result</source>
        <translation>no hay espacio para el resultado</translation>
    </message>
    <message>
        <source>the result cannot be written</source>
        <translation>no se puede escribir el resultado</translation>
    </message>
    <message>
        <source>%1 bytes (%2 % of %3)</source>
        <translation>%1 bytes (%2 % de %3)</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>no se puede escribir %1: %2</translation>
    </message>
    <message>
        <source>cannot make %1: %2</source>
        <translation>no se puede crear %1: %2</translation>
    </message>
    <message>
        <source>%1: %2
</source>
        <translation>%1: %2
</translation>
    </message>
    <message>
        <source>cannot apply %1: %2</source>
        <translation>no se puede aplicar %1: %2</translation>
    </message>
    <message>
        <source>%1: %2 bytes
</source>
        <translation>%1: %2 bytes
</translation>
    </message>
    <message>
        <source>apply: the result may not be longer than BYTES (default: no limit).</source>
        <translation>apply: el resultado no puede superar BYTES bytes (por omisión: sin límite).</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>orden desconocida «%1»</translation>
    </message>
    <message>
        <source>%1 takes %2 file names</source>
        <translation>%1 toma %2 nombres de archivo</translation>
    </message>
    <message>
        <source>%1 has no option --%2</source>
        <translation>%1 no tiene la opción --%2</translation>
    </message>
    <message>
        <source>--limit takes a whole number of bytes</source>
        <translation>--limit toma un número entero de bytes</translation>
    </message>
    <message>
        <source>--level takes a whole number</source>
        <translation>--level toma un número entero</translation>
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
        <translation>Crea los parches binarios y los instaladores comprimidos de las actualizaciones
y los aplica como lo hace patchwell.
  make OLD NEW OUT       escribe en OUT un parche que convierte OLD en NEW
  compress IN OUT        escribe IN comprimido en OUT
  apply BASE PATCH OUT   escribe PATCH aplicado a BASE en OUT (BASE -: PATCH es un
                         archivo comprimido)
OUT - es la salida estándar; cualquier otro OUT aparece con su nombre solo cuando
está completo. Un parche tarda unos 15 s y usa 240 MB de memoria para un
instalador de 46 MB, 1,5 minutos y 1,6 GB para 500 MB.
Estado de salida: 0 hecho, 1 fallo, 2 error de uso.</translation>
    </message>
    <message>
        <source>make, compress: the compression level, 1-22 (default: %1 for make, %2 for compress; a patch over more than 64 MiB is made at 15 at most).</source>
        <translation>make, compress: el nivel de compresión, 1-22 (por omisión: %1 para make, %2 para compress; un parche sobre más de 64 MiB se hace como mucho al nivel 15).</translation>
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
INSTALLER   el nuevo instalador
URL         la dirección que tendrá en el servidor web
VERSION     el texto de versión que instala (curver)
SECRET_KEY  un archivo de clave secreta de minisign (minisign pide su contraseña)
-o OUTDIR            dónde escribir los archivos (por omisión: la carpeta actual)
-n SAVE_AS           el nombre con el que patchwell lo guarda (por omisión: el final de la URL)
-m MANIFEST_URL      dónde se publicará iupdate.ini, exactamente como figura en verchckurl
                     del update.ini de los usuarios (por omisión: iupdate.ini junto a URL)
--expires DAYS       la información de actualización caduca dentro de DAYS días (30 por
                     omisión): vuelva a publicar antes o patchwell la rechazará
--no-expiry          no escribe caducidad (un manifiesto repetido se acepta entonces para siempre)
--allow-downgrade    permite que las instalaciones de una versión más nueva tomen VERSION
                     (una vuelta atrás)
--next-key FILE.pub  anuncia la clave que firmará después de esta
--rollout PERCENT    ofrece la actualización al PERCENT % de las instalaciones (0-100)
--notes FILE URL     notas de la versión (texto UTF-8 plano, 64 KiB como máximo) y su dirección
--channel NAME       escribe la actualización como la sección [Update.NAME] del
                     iupdate.ini que ya está en OUTDIR (las demás secciones se mantienen)
                     y firma el conjunto; --expires y --next-key siguen yendo a [Update]
--delta-from OLD     escribe también un parche binario del instalador anterior OLD a
                     este y lo incluye (hasta 3 veces: las últimas una a tres
                     versiones); un parche tarda unos 15 s y usa 240 MB de memoria para
                     un instalador de 46 MB, 1,5 minutos y 1,6 GB para 500 MB
--compress           escribe también el instalador comprimido con zstd (NAME.zst) y lo
                     incluye, para una descarga completa más pequeña

Escribe, listos para subir: el instalador con el final de la URL como nombre,
iupdate.ini (que indica el tamaño y el SHA-256 del instalador) e
iupdate.ini.minisig, y, si se piden, las notas de la versión, los parches
(NAME.from-HASH.zstpatch) y NAME.zst. Suba iupdate.ini y su .minisig a
MANIFEST_URL y los demás archivos a sus direcciones (los parches y NAME.zst junto
al instalador).
</translation>
    </message>
</context>
<context>
    <name>patchwell::signing::verify</name>
    <message>
        <source>signature verified</source>
        <translation>firma verificada</translation>
    </message>
    <message>
        <source>the public key is malformed</source>
        <translation>la clave pública no es válida</translation>
    </message>
    <message>
        <source>the signature is malformed</source>
        <translation>la firma no es válida</translation>
    </message>
    <message>
        <source>signed with another key</source>
        <translation>firmado con otra clave</translation>
    </message>
    <message>
        <source>the signature does not match the data</source>
        <translation>la firma no corresponde a los datos</translation>
    </message>
    <message>
        <source>the trusted comment does not match its signature</source>
        <translation>el comentario de confianza no corresponde a su firma</translation>
    </message>
    <message>
        <source>the data could not be read</source>
        <translation>no se pudieron leer los datos</translation>
    </message>
    <message>
        <source>Checks FILE against its minisign signature the way patchwell does before it runs an installer.
Exit status: 0 verified, 1 not verified, 2 unreadable input or usage error.</source>
        <translation>Comprueba FILE con su firma de minisign tal como lo hace patchwell antes de ejecutar un instalador.
Estado de salida: 0 verificado, 1 no verificado, 2 entrada ilegible o error de uso.</translation>
    </message>
    <message>
        <source>The minisign public key (.pub) to trust.</source>
        <translation>La clave pública de minisign (.pub) en la que confiar.</translation>
    </message>
    <message>
        <source>The file to check.</source>
        <translation>El archivo que se comprueba.</translation>
    </message>
    <message>
        <source>Its signature (default: FILE.minisig).</source>
        <translation>Su firma (por omisión: FILE.minisig).</translation>
    </message>
    <message>
        <source>cannot read the key or the signature</source>
        <translation>no se puede leer la clave o la firma</translation>
    </message>
    <message>
        <source>cannot read %1
</source>
        <translation>no se puede leer %1
</translation>
    </message>
    <message>
        <source>trusted comment: %1
</source>
        <translation>comentario de confianza: %1
</translation>
    </message>
</context>
<context>
    <name>patchwell::update::Frmchck</name>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>patchwell::update::options</name>
    <message>
        <source>Keeps the program in its folder up to date. update.ini beside it names the program and where its updates are published.</source>
        <translation>Mantiene al día el programa de su carpeta. El update.ini que tiene al lado indica el programa y dónde se publican sus actualizaciones.</translation>
    </message>
    <message>
        <source>No message when the program is up to date or the check cannot be carried out; the program starts at once (as quiet=1 in update.ini).</source>
        <translation>Ningún mensaje si el programa está al día o no se puede hacer la comprobación; el programa se inicia enseguida (como quiet=1 en update.ini).</translation>
    </message>
    <message>
        <source>Check now, whatever checkhours says, and show every outcome.</source>
        <translation>Comprueba ahora, diga lo que diga checkhours, y muestra cada resultado.</translation>
    </message>
    <message>
        <source>Follow the update channel NAME from now on (written to update.ini), then check.</source>
        <translation>Sigue a partir de ahora el canal de actualización NAME (se escribe en update.ini) y luego comprueba.</translation>
    </message>
    <message>
        <source>Forget the signing key kept for this program folder: its updates are then no longer checked for signatures until update.ini names a key.</source>
        <translation>Olvida la clave de firma guardada para esta carpeta de programa: sus actualizaciones dejan de comprobarse con firma hasta que update.ini indique una clave.</translation>
    </message>
    <message>
        <source>a channel is a name of letters, digits, &apos;.&apos;, &apos;_&apos; and &apos;-&apos;</source>
        <translation>un canal es un nombre de letras, dígitos, &apos;.&apos;, &apos;_&apos; y &apos;-&apos;</translation>
    </message>
    <message>
        <source>Go back to the version installed before the current one, after asking; that version&apos;s installer, kept when it ran, runs again.</source>
        <translation>Volver, tras preguntar, a la versión instalada antes de la actual; su instalador, guardado cuando se ejecutó, se ejecuta de nuevo.</translation>
    </message>
    <message>
        <source>Print the installed version, the signing key, the last check, the skipped version and the kept installers, one &quot;key: value&quot; line each.</source>
        <translation>Mostrar la versión instalada, la clave de firma, la última comprobación, la versión omitida y los instaladores guardados, una línea &quot;key: value&quot; cada uno.</translation>
    </message>
</context>
<context>
    <name>patchwell::update::texts</name>
    <message>
        <source>Patchwell can not check for an update because update.ini can not be found. Or a connection to the internet could not be found. Please check that you are connected, and make sure that a firewall is not stopping Patchwell from accessing the internet. If this error persists, please re-install the program that you was trying to update.</source>
        <translation>Patchwell no puede buscar actualizaciones porque no se encuentra update.ini o no se encontró conexión a Internet. Compruebe que está conectado y que ningún cortafuegos impide a Patchwell acceder a Internet. Si el error persiste, vuelva a instalar el programa que quería actualizar.</translation>
    </message>
    <message>
        <source>Patchwell can only be ran once</source>
        <translation>Patchwell solo puede ejecutarse una vez</translation>
    </message>
    <message>
        <source>You have the latest version of %1</source>
        <translation>Tiene la última versión de %1</translation>
    </message>
    <message>
        <source>A connection to the internet could not be found.
Please check that you are connected to the internet and/or
Check if a firewall is blocking Patchwell accessing the internet</source>
        <translation>No se encontró ninguna conexión a Internet.
Compruebe que está conectado a Internet y/o
que ningún cortafuegos impide a Patchwell acceder a Internet</translation>
    </message>
    <message>
        <source>Patchwell - keeps your programs up to date</source>
        <translation>Patchwell: mantiene sus programas al día</translation>
    </message>
    <message>
        <source>Downloading Update</source>
        <translation>Descargando la actualización</translation>
    </message>
    <message>
        <source>An update has been found</source>
        <translation>Se ha encontrado una actualización</translation>
    </message>
    <message>
        <source>Downloading Update from Korvane</source>
        <translation>Descargando la actualización desde Korvane</translation>
    </message>
    <message>
        <source>Downloading File: %1</source>
        <translation>Descargando el archivo: %1</translation>
    </message>
    <message>
        <source>Recived/Total Size :</source>
        <translation>Recibido/tamaño total:</translation>
    </message>
    <message>
        <source>Recived/Total Size : %1/%2</source>
        <translation>Recibido/tamaño total: %1/%2</translation>
    </message>
    <message>
        <source>Transfer Rate: %1</source>
        <translation>Velocidad: %1</translation>
    </message>
    <message>
        <source>Time Remaining: %1</source>
        <translation>Tiempo restante: %1</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Estado:</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>Estado: %1</translation>
    </message>
    <message>
        <source>Percent Downloaded : %1%</source>
        <translation>Porcentaje descargado: %1 %</translation>
    </message>
    <message>
        <source>Downloading Update - %1% downloaded</source>
        <translation>Descargando la actualización: %1 % descargado</translation>
    </message>
    <message>
        <source>Error Code - [%1] %2</source>
        <translation>Código de error - [%1] %2</translation>
    </message>
    <message>
        <source>Start Update</source>
        <translation>Iniciar</translation>
    </message>
    <message>
        <source>Pause Update</source>
        <translation>Pausar</translation>
    </message>
    <message>
        <source>Resume Update</source>
        <translation>Reanudar</translation>
    </message>
    <message>
        <source>Cancel Update</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Installing Latest version</source>
        <translation>Instalando la última versión</translation>
    </message>
    <message>
        <source>Please wait while Patchwell installs the appropriate files for</source>
        <translation>Espere mientras Patchwell instala los archivos necesarios para</translation>
    </message>
    <message>
        <source>Patchwell could not delete %1</source>
        <translation>Patchwell no pudo eliminar %1</translation>
    </message>
    <message>
        <source>Patchwell could not start %1</source>
        <translation>Patchwell no pudo iniciar %1</translation>
    </message>
    <message>
        <source>Patchwell could not start the installer %1</source>
        <translation>Patchwell no pudo iniciar el instalador %1</translation>
    </message>
    <message>
        <source>The file downloaded from %1 is not the announced installer: %2.</source>
        <translation>El archivo descargado desde %1 no es el instalador anunciado: %2.</translation>
    </message>
    <message>
        <source>Patchwell cannot update the program in %1: the folder cannot be written to.</source>
        <translation>Patchwell no puede actualizar el programa en %1: no se puede escribir en la carpeta.</translation>
    </message>
    <message>
        <source>Patchwell cannot update the program in %1: the update needs %2 of free space there, and only %3 are free.</source>
        <translation>Patchwell no puede actualizar el programa en %1: la actualización necesita ahí %2 de espacio libre y solo hay %3 libres.</translation>
    </message>
    <message>
        <source>The installer %1 failed (%2), so the update may not have been installed.</source>
        <translation>El instalador %1 ha fallado (%2), así que puede que la actualización no se haya instalado.</translation>
    </message>
    <message>
        <source>exit status %1</source>
        <translation>estado de salida %1</translation>
    </message>
    <message>
        <source>signal %1%2</source>
        <translation>señal %1%2</translation>
    </message>
    <message>
        <source>Patchwell could not verify this update, so nothing was installed.
%1</source>
        <translation>Patchwell no pudo verificar esta actualización, así que no se ha instalado nada.
%1</translation>
    </message>
    <message>
        <source>The installer removed the update signing settings from %1, and Patchwell could not put them back there. Updates of this program are still checked with the key Patchwell keeps for it.</source>
        <translation>El instalador quitó de %1 los ajustes de firma de las actualizaciones y Patchwell no pudo volver a ponerlos. Las actualizaciones de este programa se siguen comprobando con la clave que Patchwell guarda para él.</translation>
    </message>
    <message>
        <source>patchwell: the signing key of %1 is forgotten; its updates are no longer checked for signatures until update.ini names a key again.</source>
        <translation>patchwell: se ha olvidado la clave de firma de %1; sus actualizaciones ya no se comprueban con firma hasta que update.ini vuelva a indicar una clave.</translation>
    </message>
    <message>
        <source>patchwell: no signing key is kept for %1.</source>
        <translation>patchwell: no hay ninguna clave de firma guardada para %1.</translation>
    </message>
    <message>
        <source>patchwell: the signing key of %1 could not be removed.</source>
        <translation>patchwell: no se pudo eliminar la clave de firma de %1.</translation>
    </message>
    <message>
        <source>Your connection is metered; the size of the update is not known.</source>
        <translation>Su conexión es de uso medido; no se conoce el tamaño de la actualización.</translation>
    </message>
    <message>
        <source>Your connection is metered: the update is %1.</source>
        <translation>Su conexión es de uso medido: la actualización ocupa %1.</translation>
    </message>
    <message>
        <source>The update information has no signature.</source>
        <translation>La información de actualización no tiene firma.</translation>
    </message>
    <message>
        <source>The update information was signed with another key.</source>
        <translation>La información de actualización se firmó con otra clave.</translation>
    </message>
    <message>
        <source>The update information does not match its signature.</source>
        <translation>La información de actualización no corresponde a su firma.</translation>
    </message>
    <message>
        <source>The public key in update.ini cannot be read.</source>
        <translation>No se puede leer la clave pública de update.ini.</translation>
    </message>
    <message>
        <source>The update information carries no signing time.</source>
        <translation>La información de actualización no lleva hora de firma.</translation>
    </message>
    <message>
        <source>The update information is older than the one used before.</source>
        <translation>La información de actualización es más antigua que la usada antes.</translation>
    </message>
    <message>
        <source>The signing time recorded in update.ini cannot be read.</source>
        <translation>No se puede leer la hora de firma guardada en update.ini.</translation>
    </message>
    <message>
        <source>The signing time or key could not be recorded in update.ini.</source>
        <translation>No se pudo guardar la hora de firma o la clave en update.ini.</translation>
    </message>
    <message>
        <source>The update information does not give the installer&apos;s size and SHA-256.</source>
        <translation>La información de actualización no indica el tamaño ni el SHA-256 del instalador.</translation>
    </message>
    <message>
        <source>The installer&apos;s size or SHA-256 in the update information cannot be read.</source>
        <translation>No se puede leer el tamaño o el SHA-256 del instalador en la información de actualización.</translation>
    </message>
    <message>
        <source>The update information was published for another address.</source>
        <translation>La información de actualización se publicó para otra dirección.</translation>
    </message>
    <message>
        <source>The update information has expired.</source>
        <translation>La información de actualización ha caducado.</translation>
    </message>
    <message>
        <source>The expiry time of the update information cannot be read.</source>
        <translation>No se puede leer la fecha de caducidad de la información de actualización.</translation>
    </message>
    <message>
        <source>The next key in the update information cannot be read.</source>
        <translation>No se puede leer la clave siguiente de la información de actualización.</translation>
    </message>
    <message>
        <source>The downloaded installer does not have the size the update information gives.</source>
        <translation>El instalador descargado no tiene el tamaño que indica la información de actualización.</translation>
    </message>
    <message>
        <source>The downloaded installer does not have the SHA-256 the update information gives.</source>
        <translation>El instalador descargado no tiene el SHA-256 que indica la información de actualización.</translation>
    </message>
    <message>
        <source>The downloaded installer could not be read.</source>
        <translation>No se pudo leer el instalador descargado.</translation>
    </message>
    <message>
        <source>The signing state %1 cannot be read, or another user may change it.</source>
        <translation>No se puede leer el estado de firma %1, o bien otro usuario puede cambiarlo.</translation>
    </message>
    <message>
        <source>The signing state could not be recorded in %1.</source>
        <translation>No se pudo guardar el estado de firma en %1.</translation>
    </message>
    <message>
        <source>The update information offers version %1, older than the installed %2.</source>
        <translation>La información de actualización ofrece la versión %1, más antigua que la %2 instalada.</translation>
    </message>
    <message>
        <source>The patch could not be used; downloading the full installer.</source>
        <translation>No se pudo usar el parche; descargando el instalador completo.</translation>
    </message>
    <message>
        <source>The compressed installer could not be used; downloading the installer itself.</source>
        <translation>No se pudo usar el instalador comprimido; descargando el propio instalador.</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Omitir esta versión</translation>
    </message>
    <message>
        <source>Patchwell could not record in %2 that version %1 is to be skipped, so it will be offered again.</source>
        <translation>Patchwell no pudo anotar en %2 que la versión %1 debe omitirse, así que se ofrecerá de nuevo.</translation>
    </message>
    <message>
        <source>Go back from version %2 of %1 to version %3, which was installed before?
Version %2 will then not be offered again.</source>
        <translation>¿Volver de la versión %2 de %1 a la versión %3, instalada antes?
La versión %2 ya no se ofrecerá.</translation>
    </message>
    <message>
        <source>Patchwell keeps no earlier version of %1 to go back to, so nothing was changed.</source>
        <translation>Patchwell no guarda ninguna versión anterior de %1 a la que volver, así que no se ha cambiado nada.</translation>
    </message>
    <message>
        <source>The installer of version %1 kept for going back has changed since it ran, so it was removed and nothing was changed.</source>
        <translation>El instalador de la versión %1 guardado para volver atrás ha cambiado desde que se ejecutó, así que se ha eliminado y no se ha cambiado nada.</translation>
    </message>
</context>
</TS>
