<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>common::cli</name>
    <message>
        <source>Show this help and exit.</source>
        <translation>Mostrar esta ayuda y salir.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Mostrar la versión y salir.</translation>
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
        <translation>demasiados argumentos</translation>
    </message>
</context>
<context>
    <name>tilebay::DesktopMain</name>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Always On Top</source>
        <translation>Siempre encima</translation>
    </message>
    <message>
        <source>Hide/Show Taskbar</source>
        <translation>Ocultar/mostrar la barra de tareas</translation>
    </message>
    <message>
        <source>Hide/Show Desktop icons</source>
        <translation>Ocultar/mostrar los iconos del escritorio</translation>
    </message>
</context>
<context>
    <name>tilebay::ItemActionMenu</name>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Open Containing Folder</source>
        <translation>Abrir la carpeta contenedora</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>Mover a la papelera</translation>
    </message>
</context>
<context>
    <name>tilebay::ItemActions</name>
    <message>
        <source>tilebay copied only files, folders and symbolic links; these were left out:
%1</source>
        <translation>tilebay solo copió archivos, carpetas y enlaces simbólicos; se omitieron estos:
%1</translation>
    </message>
</context>
<context>
    <name>tilebay::ListKeyboard</name>
    <message>
        <source>Find: %1</source>
        <translation>Buscar: %1</translation>
    </message>
</context>
<context>
    <name>tilebay::PanelLogic</name>
    <message>
        <source>File Name</source>
        <translation>Nombre de archivo</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>Tipo de archivo</translation>
    </message>
</context>
<context>
    <name>tilebay::ShowNotice</name>
    <message>
        <source>Tilebay - Notice</source>
        <translation>Tilebay - Aviso</translation>
    </message>
</context>
<context>
    <name>tilebay::WaylandShellEffects</name>
    <message>
        <source>Not available on Wayland: the compositor does not let one program hide another program&apos;s panels.</source>
        <translation>No disponible en Wayland: el compositor no permite que un programa oculte los paneles de otro programa.</translation>
    </message>
    <message>
        <source>Not available on Wayland: the compositor does not let one program hide another program&apos;s desktop icons.</source>
        <translation>No disponible en Wayland: el compositor no permite que un programa oculte los iconos del escritorio de otro programa.</translation>
    </message>
</context>
<context>
    <name>tilebay::cli</name>
    <message>
        <source>cannot tell where this program lies</source>
        <translation>no se puede determinar dónde está este programa</translation>
    </message>
    <message>
        <source>cannot create %1</source>
        <translation>no se puede crear %1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>no se puede escribir %1: %2</translation>
    </message>
    <message>
        <source>cannot remove %1: %2</source>
        <translation>no se puede eliminar %1: %2</translation>
    </message>
    <message>
        <source>A desktop drawer panel hanging from the top edge of the screen.</source>
        <translation>Un panel desplegable del escritorio que cuelga del borde superior de la pantalla.</translation>
    </message>
    <message>
        <source>Start tilebay at login (on), no longer (off), or show which it is.</source>
        <translation>Iniciar tilebay al iniciar sesión (on), dejar de hacerlo (off) o mostrar el ajuste actual.</translation>
    </message>
    <message>
        <source>Drop the running panel into view with the keyboard, or retract it.</source>
        <translation>Desplegar el panel en ejecución con el teclado, o replegarlo.</translation>
    </message>
    <message>
        <source>With --autostart: the new state.</source>
        <translation>Con --autostart: el nuevo estado.</translation>
    </message>
    <message>
        <source>--toggle takes nothing else</source>
        <translation>--toggle no admite nada más</translation>
    </message>
    <message>
        <source>on or off only with --autostart</source>
        <translation>on u off solo con --autostart</translation>
    </message>
    <message>
        <source>--autostart takes on or off, not &apos;%1&apos;</source>
        <translation>--autostart admite on u off, no «%1»</translation>
    </message>
</context>
<context>
    <name>tilebay::file_icons</name>
    <message>
        <source>program</source>
        <translation>programa</translation>
    </message>
    <message>
        <source>%1 (link)</source>
        <translation>%1 (enlace)</translation>
    </message>
    <message>
        <source>broken link</source>
        <translation>enlace roto</translation>
    </message>
</context>
<context>
    <name>tilebay::launcher_trust</name>
    <message>
        <source>tilebay did not start &quot;%1&quot;: a program or launcher starts only when it is executable, owned by you or by root, and nobody else may change it (nor a symbolic link to it).</source>
        <translation>tilebay no inició «%1»: un programa o lanzador solo se inicia si es ejecutable, pertenece a usted o a root y nadie más puede modificarlo (ni tampoco un enlace simbólico que apunte a él).</translation>
    </message>
</context>
<context>
    <name>tilebay::loadfrm</name>
    <message>
        <source>Tilebay - Loading...</source>
        <translation>Tilebay - Cargando...</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Estilo</translation>
    </message>
    <message>
        <source>Created By Quorlin</source>
        <translation>Creado por Quorlin</translation>
    </message>
</context>
<context>
    <name>tilebay::main</name>
    <message>
        <source>tilebay: no panel is running on this display</source>
        <translation>tilebay: no hay ningún panel en ejecución en esta pantalla</translation>
    </message>
</context>
<context>
    <name>tilebay::splash</name>
    <message>
        <source>Style: %1</source>
        <translation>Estilo: %1</translation>
    </message>
</context>
<context>
    <name>tilebay::styleloaderfrm</name>
    <message>
        <source>Load Style</source>
        <translation>Cargar estilo</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualizar</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Cargar</translation>
    </message>
    <message>
        <source>Click Only The Closed Folder Icons. Then Load.</source>
        <translation>Haga clic solo en los iconos de carpeta cerrada. Luego en Cargar.</translation>
    </message>
</context>
</TS>
