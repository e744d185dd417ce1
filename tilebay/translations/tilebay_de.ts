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
    <name>tilebay::DesktopMain</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Always On Top</source>
        <translation>Immer im Vordergrund</translation>
    </message>
    <message>
        <source>Hide/Show Taskbar</source>
        <translation>Taskleiste aus-/einblenden</translation>
    </message>
    <message>
        <source>Hide/Show Desktop icons</source>
        <translation>Desktop-Symbole aus-/einblenden</translation>
    </message>
</context>
<context>
    <name>tilebay::ItemActionMenu</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Open Containing Folder</source>
        <translation>Enthaltenden Ordner öffnen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb verschieben</translation>
    </message>
</context>
<context>
    <name>tilebay::ItemActions</name>
    <message>
        <source>tilebay copied only files, folders and symbolic links; these were left out:
%1</source>
        <translation>tilebay hat nur Dateien, Ordner und symbolische Verknüpfungen kopiert; diese wurden ausgelassen:
%1</translation>
    </message>
</context>
<context>
    <name>tilebay::ListKeyboard</name>
    <message>
        <source>Find: %1</source>
        <translation>Suchen: %1</translation>
    </message>
</context>
<context>
    <name>tilebay::PanelLogic</name>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>Dateityp</translation>
    </message>
</context>
<context>
    <name>tilebay::ShowNotice</name>
    <message>
        <source>Tilebay - Notice</source>
        <translation>Tilebay - Hinweis</translation>
    </message>
</context>
<context>
    <name>tilebay::WaylandShellEffects</name>
    <message>
        <source>Not available on Wayland: the compositor does not let one program hide another program&apos;s panels.</source>
        <translation>Unter Wayland nicht verfügbar: Der Compositor erlaubt keinem Programm, die Leisten eines anderen Programms auszublenden.</translation>
    </message>
    <message>
        <source>Not available on Wayland: the compositor does not let one program hide another program&apos;s desktop icons.</source>
        <translation>Unter Wayland nicht verfügbar: Der Compositor erlaubt keinem Programm, die Desktop-Symbole eines anderen Programms auszublenden.</translation>
    </message>
</context>
<context>
    <name>tilebay::cli</name>
    <message>
        <source>cannot tell where this program lies</source>
        <translation>es lässt sich nicht feststellen, wo dieses Programm liegt</translation>
    </message>
    <message>
        <source>cannot create %1</source>
        <translation>%1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>cannot remove %1: %2</source>
        <translation>%1 kann nicht entfernt werden: %2</translation>
    </message>
    <message>
        <source>A desktop drawer panel hanging from the top edge of the screen.</source>
        <translation>Eine ausklappbare Desktop-Leiste, die vom oberen Bildschirmrand herabhängt.</translation>
    </message>
    <message>
        <source>Start tilebay at login (on), no longer (off), or show which it is.</source>
        <translation>tilebay bei der Anmeldung starten (on), nicht mehr starten (off) oder den aktuellen Zustand anzeigen.</translation>
    </message>
    <message>
        <source>Drop the running panel into view with the keyboard, or retract it.</source>
        <translation>Die laufende Leiste mit der Tastatur ausklappen oder wieder einklappen.</translation>
    </message>
    <message>
        <source>With --autostart: the new state.</source>
        <translation>Mit --autostart: der neue Zustand.</translation>
    </message>
    <message>
        <source>--toggle takes nothing else</source>
        <translation>--toggle erlaubt keine weiteren Angaben</translation>
    </message>
    <message>
        <source>on or off only with --autostart</source>
        <translation>on oder off nur mit --autostart</translation>
    </message>
    <message>
        <source>--autostart takes on or off, not &apos;%1&apos;</source>
        <translation>--autostart erwartet on oder off, nicht „%1“</translation>
    </message>
</context>
<context>
    <name>tilebay::file_icons</name>
    <message>
        <source>program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>%1 (link)</source>
        <translation>%1 (Verknüpfung)</translation>
    </message>
    <message>
        <source>broken link</source>
        <translation>defekte Verknüpfung</translation>
    </message>
</context>
<context>
    <name>tilebay::launcher_trust</name>
    <message>
        <source>tilebay did not start &quot;%1&quot;: a program or launcher starts only when it is executable, owned by you or by root, and nobody else may change it (nor a symbolic link to it).</source>
        <translation>tilebay hat „%1“ nicht gestartet: Ein Programm oder Starter wird nur gestartet, wenn es ausführbar ist, Ihnen oder root gehört und niemand sonst es ändern darf (auch keine symbolische Verknüpfung darauf).</translation>
    </message>
</context>
<context>
    <name>tilebay::loadfrm</name>
    <message>
        <source>Tilebay - Loading...</source>
        <translation>Tilebay - Wird geladen...</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Stil</translation>
    </message>
    <message>
        <source>Created By Quorlin</source>
        <translation>Erstellt von Quorlin</translation>
    </message>
</context>
<context>
    <name>tilebay::main</name>
    <message>
        <source>tilebay: no panel is running on this display</source>
        <translation>tilebay: auf dieser Anzeige läuft keine Leiste</translation>
    </message>
</context>
<context>
    <name>tilebay::splash</name>
    <message>
        <source>Style: %1</source>
        <translation>Stil: %1</translation>
    </message>
</context>
<context>
    <name>tilebay::styleloaderfrm</name>
    <message>
        <source>Load Style</source>
        <translation>Stil laden</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Click Only The Closed Folder Icons. Then Load.</source>
        <translation>Klicken Sie nur auf die geschlossenen Ordnersymbole. Dann auf Laden.</translation>
    </message>
</context>
</TS>
