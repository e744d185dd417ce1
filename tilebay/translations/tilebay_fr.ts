<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>common::cli</name>
    <message>
        <source>Show this help and exit.</source>
        <translation>Afficher cette aide et quitter.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Afficher la version et quitter.</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Utilisation&#xa0;: %1 [options]</translation>
    </message>
    <message>
        <source>too few arguments</source>
        <translation>trop peu d’arguments</translation>
    </message>
    <message>
        <source>too many arguments</source>
        <translation>trop d’arguments</translation>
    </message>
</context>
<context>
    <name>tilebay::DesktopMain</name>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Always On Top</source>
        <translation>Toujours au premier plan</translation>
    </message>
    <message>
        <source>Hide/Show Taskbar</source>
        <translation>Masquer/afficher la barre des tâches</translation>
    </message>
    <message>
        <source>Hide/Show Desktop icons</source>
        <translation>Masquer/afficher les icônes du bureau</translation>
    </message>
</context>
<context>
    <name>tilebay::ItemActionMenu</name>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Open Containing Folder</source>
        <translation>Ouvrir le dossier parent</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>Mettre à la corbeille</translation>
    </message>
</context>
<context>
    <name>tilebay::ItemActions</name>
    <message>
        <source>tilebay copied only files, folders and symbolic links; these were left out:
%1</source>
        <translation>tilebay n’a copié que des fichiers, des dossiers et des liens symboliques&#xa0;; ces éléments ont été ignorés&#xa0;:
%1</translation>
    </message>
</context>
<context>
    <name>tilebay::ListKeyboard</name>
    <message>
        <source>Find: %1</source>
        <translation>Rechercher&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>tilebay::PanelLogic</name>
    <message>
        <source>File Name</source>
        <translation>Nom du fichier</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>Type de fichier</translation>
    </message>
</context>
<context>
    <name>tilebay::ShowNotice</name>
    <message>
        <source>Tilebay - Notice</source>
        <translation>Tilebay - Avis</translation>
    </message>
</context>
<context>
    <name>tilebay::WaylandShellEffects</name>
    <message>
        <source>Not available on Wayland: the compositor does not let one program hide another program&apos;s panels.</source>
        <translation>Indisponible sous Wayland&#xa0;: le compositeur ne permet pas à un programme de masquer les panneaux d’un autre programme.</translation>
    </message>
    <message>
        <source>Not available on Wayland: the compositor does not let one program hide another program&apos;s desktop icons.</source>
        <translation>Indisponible sous Wayland&#xa0;: le compositeur ne permet pas à un programme de masquer les icônes de bureau d’un autre programme.</translation>
    </message>
</context>
<context>
    <name>tilebay::cli</name>
    <message>
        <source>cannot tell where this program lies</source>
        <translation>impossible de déterminer l’emplacement de ce programme</translation>
    </message>
    <message>
        <source>cannot create %1</source>
        <translation>impossible de créer %1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>impossible d’écrire %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>cannot remove %1: %2</source>
        <translation>impossible de supprimer %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>A desktop drawer panel hanging from the top edge of the screen.</source>
        <translation>Un panneau tiroir pour le bureau, suspendu au bord supérieur de l’écran.</translation>
    </message>
    <message>
        <source>Start tilebay at login (on), no longer (off), or show which it is.</source>
        <translation>Lancer tilebay à l’ouverture de session (on), ne plus le lancer (off) ou afficher le réglage actuel.</translation>
    </message>
    <message>
        <source>Drop the running panel into view with the keyboard, or retract it.</source>
        <translation>Déployer le panneau en cours d’exécution avec le clavier, ou le replier.</translation>
    </message>
    <message>
        <source>With --autostart: the new state.</source>
        <translation>Avec --autostart&#xa0;: le nouvel état.</translation>
    </message>
    <message>
        <source>--toggle takes nothing else</source>
        <translation>--toggle ne s’emploie avec rien d’autre</translation>
    </message>
    <message>
        <source>on or off only with --autostart</source>
        <translation>on ou off uniquement avec --autostart</translation>
    </message>
    <message>
        <source>--autostart takes on or off, not &apos;%1&apos;</source>
        <translation>--autostart attend on ou off, pas «&#xa0;%1&#xa0;»</translation>
    </message>
</context>
<context>
    <name>tilebay::file_icons</name>
    <message>
        <source>program</source>
        <translation>programme</translation>
    </message>
    <message>
        <source>%1 (link)</source>
        <translation>%1 (lien)</translation>
    </message>
    <message>
        <source>broken link</source>
        <translation>lien cassé</translation>
    </message>
</context>
<context>
    <name>tilebay::launcher_trust</name>
    <message>
        <source>tilebay did not start &quot;%1&quot;: a program or launcher starts only when it is executable, owned by you or by root, and nobody else may change it (nor a symbolic link to it).</source>
        <translation>tilebay n’a pas lancé «&#xa0;%1&#xa0;»&#xa0;: un programme ou un lanceur n’est lancé que s’il est exécutable, s’il vous appartient ou appartient à root, et si personne d’autre ne peut le modifier (ni modifier un lien symbolique qui y mène).</translation>
    </message>
</context>
<context>
    <name>tilebay::loadfrm</name>
    <message>
        <source>Tilebay - Loading...</source>
        <translation>Tilebay - Chargement...</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>Created By Quorlin</source>
        <translation>Créé par Quorlin</translation>
    </message>
</context>
<context>
    <name>tilebay::main</name>
    <message>
        <source>tilebay: no panel is running on this display</source>
        <translation>tilebay&#xa0;: aucun panneau n’est lancé sur cet affichage</translation>
    </message>
</context>
<context>
    <name>tilebay::splash</name>
    <message>
        <source>Style: %1</source>
        <translation>Style&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>tilebay::styleloaderfrm</name>
    <message>
        <source>Load Style</source>
        <translation>Charger un style</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualiser</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Charger</translation>
    </message>
    <message>
        <source>Click Only The Closed Folder Icons. Then Load.</source>
        <translation>Cliquez uniquement sur les icônes de dossier fermé, puis sur Charger.</translation>
    </message>
</context>
</TS>
