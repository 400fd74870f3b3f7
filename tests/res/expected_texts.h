// What every language variant of the resources must say, written down
// independently of the resource script so that a slip in either shows.
#pragma once

#include <windows.h>

namespace expected {

#define WENDLE_TEST_SITE "https://wendle.example.org/java"

struct Variant {
    const char* name;
    WORD language;
    UINT codePage;             // the ANSI code page a system of that language uses
    const char* strings[15];   // by string id; [0] is not an entry
    // Dialog 107: status text, OK, Cancel.
    const char* searching;
    const char* selectOk;
    const char* selectCancel;
    // Dialog 108: texts of 1002, 1021, 1022, 1023, 1003, 1009, OK, Cancel.
    const char* noVm[8];
};

const Variant kVariants[] = {
    {"German", 0x0407, 1252,
     {nullptr,
      "Die Installation wird abgebrochen. Möchten Sie die Installation wirklich abbrechen?",
      "Tarrowby Java Edition",
      "Es wurde eine virtuelle Maschine für Java gefunden.\nWählen Sie \"OK\", um die Anwendung zu installieren.",
      "Es wurden mehrere virtuelle Maschinen für Java gefunden.\nWählen Sie eine VM aus, und klicken Sie auf \"OK\", um die Anwendung zu installieren.",
      "Auf diesem System wurden keine virtuellen Maschinen für Java gefunden. Sie können eine VM kostenlos von "
      WENDLE_TEST_SITE " herunterladen.\n\nMöchten Sie die VM jetzt herunterladen?",
      "Syntax:\n\nWendle <Version>:<Vertreiber>:<Betriebssystem> ...",
      "Programmdateien (.exe)|*.exe|Alle Dateien|*.*||",
      "Java-Klassendateien (.class)|*.class|Alle Dateien|*.*||",
      "Die Datei kann nicht unter dem angegebenen Pfad gespeichert werden.",
      "Die angegebene Programmdatei kann nicht ausgeführt werden. Diese Datei ist möglicherweise keine virtuelle Maschine für Java.",
      "Bitte geben Sie den Pfad zur gewünschten virtuellen Maschine für Java ein oder klicken Sie auf \"Durchsuchen\".",
      "Unter dem angegebenen Pfad wurde keine virtuelle Maschine für Java gefunden.",
      "Diese Anwendung wurde unter %s gespeichert.",
      "Bitte geben Sie den gewünschten Pfad für die Anwendung ein oder klicken Sie auf \"Durchsuchen\"."},
     "Suche nach virtuellen Maschinen für Java wird durchgeführt...", "OK", "Abbrechen",
     {"Es wurden keine virtuellen Maschinen für Java gefunden. Bitte wählen Sie eine der folgenden Optionen:",
      "&Herunterladen einer kostenlosen JAVA VM von dieser Site:",
      "&Installation mit der VM von diesem Ort ausführen:",
      "&Anwendung an dieser Stelle speichern:",
      "&Durchsuchen", "Durch&suchen", "OK", "Abbrechen"}},

    {"English", 0x0409, 1252,
     {nullptr,
      "This will cancel your installation. Do you really want to cancel?",
      "Tarrowby Java Edition",
      "One Java virtual machine was found.\nClick OK to install the application.",
      "Multiple Java virtual machines (VMs) were found.\nPlease select a VM and click OK to install the application.",
      "No Java virtual machines were found on your computer. You can download one for free from "
      WENDLE_TEST_SITE ".\n\nDo you want to download one now?",
      "usage:\n\nWendle <version>:<vendor>:<os> ...",
      "Executable Files (.exe)|*.exe|All Files|*.*||",
      "Java Class Files (.class)|*.class|All Files|*.*||",
      "Cannot save file to specified path.",
      "Cannot run specified executable. This file does not appear to be a Java virtual machine.",
      "Please specify a path to the desired Java virtual machine by typing it or clicking the Browse button.",
      "No Java virtual machine was found at the specified path.",
      "This application has been saved to %s.",
      "Please specify a location for the application typing it or clicking the Browse button."},
     "Searching for Java virtual machines...", "OK", "Cancel",
     {"No suitable Java virtual machines were found. Please choose one of the following options:",
      "&Download a free Java VM from the following site:",
      "&Run the installation with the VM from this location:",
      "&Save the application to this location:",
      "&Browse", "Br&owse", "OK", "Cancel"}},

    {"French", 0x040C, 1252,
     {nullptr,
      "Cette action annulera votre installation. Souhaitez-vous vraiment l'annuler ?",
      "Tarrowby Java Edition",
      "Une machine virtuelle Java a été trouvée.\nCliquez sur OK pour installer cette application.",
      "Des machines virtuelles (MV) Java compatibles ont été trouvées.\nVeuillez sélectionner une MV et cliquer sur OK pour installer cette application.",
      "Aucune machine virtuelle Java n'a été trouvée sur votre ordinateur. Vous pouvez en télécharger une gratuitement à partir de "
      WENDLE_TEST_SITE ".\n\nSouhaitez-vous en télécharger une maintenant ?",
      "syntaxe :\n\nWendle <version>:<fabricant>:<se> ...",
      "Fichiers exécutables (.exe)|*.exe|Tous|*.*||",
      "Fichiers Java Class (.class)|*.class|Tous|*.*||",
      "Impossible d'enregistrer vers le chemin défini.",
      "Impossible de lancer les fichiers exécutables définis. Ce fichier ne semble pas être une machine virtuelle Java.",
      "Veuillez définir un chemin vers la machine virtuelle Java souhaitée en le saisissant ou en cliquant sur le bouton Parcourir.",
      "Aucune machine virtuelle Java n'a été trouvée sur le chemin spécifié.",
      "Cette application a été enregistrée sous %s.",
      "Veuillez définir un emplacement pour l'application en le saisissant ou en cliquant sur le bouton Parcourir."},
     "Recherche de machines virtuelles Java en cours...", "OK", "Annuler",
     {"Aucune machine virtuelle Java compatible n'a été trouvée. Veuillez sélectionner une des options suivantes :",
      "&Télécharger une MV Java gratuite sur le site suivant :",
      "&Lancer l'installation avec la MV à partir de cet emplacement :",
      "&Enregistrer l'application dans cet emplacement :",
      "&Parcourir", "Parc&ourir", "OK", "Annuler"}},

    {"Italian", 0x0410, 1252,
     {nullptr,
      "L'installazione verrà annullata. Si è certi di volerla annullare?",
      "Tarrowby Java Edition",
      "È stata rilevata una macchina virtuale Java.\nScegliere OK per installare l'applicazione.",
      "Sono state rilevate più macchine virtuali (VM) Java.\nSelezionare una VM, quindi scegliere OK per installare l'applicazione.",
      "Non è stata rilevata alcuna macchina virtuale Java. È possibile scaricarne una gratuitamente da "
      WENDLE_TEST_SITE ".\n\nScaricarne una ora?",
      "uso:\n\nWendle <versione>:<fornitore>:<sistema operativo> ...",
      "File eseguibili (.exe)|*.exe|Tutti i file|*.*||",
      "File di classe Java (.class)|*.class|Tutti i file |*.*||",
      "Impossibile salvare il file sul percorso specificato.",
      "Impossibile eseguire l'eseguibile specificato. Questo file non sembra una macchina virtuale Java.",
      "Specificare il percorso della macchina virtuale Java digitandolo o scegliendo il pulsante Sfoglia.",
      "Nel percorso specificato non è stata trovata alcuna macchina virtuale Java.",
      "L'applicazione è stata salvata in %s.",
      "Specificare la posizione dell'applicazione digitandola o scegliendo il pulsante Sfoglia."},
     "Ricerca di macchine virtuali Java in corso...", "OK", "Annulla",
     {"Non sono state rilevate macchine virtuali Java adatte allo scopo. Scegliere una delle seguenti opzioni:",
      "Scarica una &VM Java gratuita dal sito seguente:",
      "&Esegui l'installazione con la macchina virtuale da questa posizione:",
      "&Salva l'applicazione in questa posizione:",
      "S&foglia", "Sf&oglia", "OK", "Annulla"}},

    {"Japanese", 0x0411, 932,
     {nullptr,
      "ｲﾝｽﾄｰﾙが取り消されます。取り消しますか。",
      "Tarrowby Java Edition",
      "JAVA仮想ﾏｼﾝが1台見つかりました。\n[OK]をｸﾘｯｸしてｱﾌﾟﾘｹｰｼｮﾝをｲﾝｽﾄｰﾙしてください。",
      "複数のJAVA仮想ﾏｼﾝ(VM)が見つかりました。\nVMを選択してから[OK]をｸﾘｯｸしてｱﾌﾟﾘｹｰｼｮﾝをｲﾝｽﾄｰﾙしてください。",
      "ｺﾝﾋﾟｭｰﾀ上でJAVA仮想ﾏｼﾝが見つかりませんでした。"
      WENDLE_TEST_SITE "から無料で1つのｺﾋﾟｰをﾀﾞｳﾝﾛｰﾄﾞできます。\n\nすぐにﾀﾞｳﾝﾛｰﾄﾞしますか。",
      "usage:\n\nWendle <version>:<vendor>:<os> ...",
      "実行ﾌｧｲﾙ (.exe)|*.exe|All Files|*.*||",
      "Javaｸﾗｽ ﾌｧｲﾙ (.class)|*.class|All Files|*.*||",
      "指定されたﾊﾟｽにﾌｧｲﾙを保存できません。",
      "指定された実行ﾌｧｲﾙを実行できません。このﾌｧｲﾙはJAVA仮想ﾏｼﾝではないようです。",
      "希望のJAVA仮想ﾏｼﾝまでのﾊﾟｽを入力するか、[参照]ﾎﾞﾀﾝをｸﾘｯｸして、指定してください。",
      "指定されたﾊﾟｽでJAVA仮想ﾏｼﾝが見つかりませんでした。",
      "このｱﾌﾟﾘｹｰｼｮﾝは%sに保存されました。",
      "ｱﾌﾟﾘｹｰｼｮﾝの格納場所を入力するか、[参照]ﾎﾞﾀﾝをｸﾘｯｸして指定してください。"},
     "JAVA 仮想ﾏｼﾝを捜しています...", "OK", "ｷｬﾝｾﾙ",
     {"該当するJAVA仮想マシンが見つかりませんでした。以下のいずれかのｵﾌﾟｼｮﾝを選択してください。",
      "以下のｻｲﾄから JAVA VM を無料でﾀﾞｳﾝﾛｰﾄﾞしてください(&D)",
      "この場所から VM のｲﾝｽﾄｰﾙを実行してください (&R)",
      "この場所にｱﾌﾟﾘｹｰｼｮﾝを保存してください (&S)",
      "参照 (&B)", "参照 (&O)", "OK", "ｷｬﾝｾﾙ"}},

    {"Spanish", 0x0C0A, 1252,
     {nullptr,
      "Esto cancelará la instalación. ¿Está seguro de que desea cancelar?",
      "Edición de Tarrowby para Java",
      "Se encontró una máquina virtual de Java.\nHaga clic en Aceptar para instalar la aplicación.",
      "Se encontraron varias máquinas virtuales (VM) de Java.\nSeleccione una VM y haga clic en Aceptar para instalar la aplicación.",
      "No se encontró ninguna máquina virtual de Java en su equipo. Puede descargar una de forma gratuita en "
      WENDLE_TEST_SITE ".\n\nDesea descargarla ahora?",
      "utilización:\n\nWendle <versión>:<fabricante>:<so> ...",
      "Archivos ejecutables (.exe)|*.exe|Todos los archivos|*.*||",
      "Archivos de clases Java (.class)|*.class|Todos los archivos|*.*||",
      "No se puede guardar el archivo en la ruta especificada.",
      "No se puede ejecutar el archivo especificado. Este archivo no parece ser una máquina virtual de Java.",
      "Especifique una ruta para la máquina virtual de Java que desee escribiéndola o haciendo clic en el botón Examinar.",
      "No se encontró ninguna máquina virtual de Java en la ruta especificada.",
      "Se ha guardado esta aplicación en %s.",
      "Especifique una ubicación para la aplicación escribiéndola o haciendo clic en el botón Examinar."},
     "Buscando máquinas virtuales de Java...", "Aceptar", "Cancelar",
     {"No se encontró ninguna máquina virtual de Java apropiada. Seleccione una de las siguientes opciones:",
      "&Descargar una máquina virtual de Java de forma gratuita del siguiente sitio:",
      "&Ejecutar la instalación con la máquina virtual desde esta ubicación:",
      "&Guardar la aplicación en esta ubicación:",
      "Ex&aminar", "Exa&minar", "Aceptar", "Cancelar"}},
};

const int kVariantCount = sizeof kVariants / sizeof kVariants[0];

// Buffer capacity, in bytes with the NUL, that the launcher loads each string
// id into; 0 for the ids it never loads (5 and 8).
const int kCapacity[15] = {0, 300, 260, 260, 260, 0, 260, 260, 0, 260, 1024, 1024, 1024, 1024, 1024};

}  // namespace expected
