<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>TCatalogueStore</name>
    <message>
        <source>This folder has no artisan file: only Composer&apos;s commands are listed.</source>
        <translation>Dieser Ordner hat keine artisan-Datei: Es sind nur die Befehle von Composer aufgeführt.</translation>
    </message>
</context>
<context>
    <name>TCommandBoxHistory</name>
    <message>
        <source>Command History</source>
        <translation>Befehlsverlauf</translation>
    </message>
    <message>
        <source>Command history (Alt+Down)</source>
        <translation>Befehlsverlauf (Alt+Pfeil runter)</translation>
    </message>
</context>
<context>
    <name>TCommandList</name>
    <message>
        <source>&quot;%1&quot; gave no list of commands</source>
        <translation>„%1“ lieferte keine Befehlsliste</translation>
    </message>
    <message>
        <source> (exit status %1)</source>
        <translation> (Exit-Status %1)</translation>
    </message>
    <message>
        <source>, and printed nothing.</source>
        <translation> und gab nichts aus.</translation>
    </message>
</context>
<context>
    <name>TFindBar</name>
    <message>
        <source>Match &amp;case</source>
        <translation>&amp;Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>Fi&amp;nd:</source>
        <translation>Suche&amp;n:</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Find previous (Shift+Enter, Shift+F3)</source>
        <translation>Vorherigen Treffer suchen (Umschalt+Eingabe, Umschalt+F3)</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Find next (Enter, F3)</source>
        <translation>Nächsten Treffer suchen (Eingabe, F3)</translation>
    </message>
    <message>
        <source>Close (Esc)</source>
        <translation>Schließen (Esc)</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Keine Treffer</translation>
    </message>
    <message>
        <source>1 match</source>
        <translation>1 Treffer</translation>
    </message>
    <message>
        <source>%L1 matches</source>
        <translation>%L1 Treffer</translation>
    </message>
</context>
<context>
    <name>TQtDesktop</name>
    <message>
        <source>Information</source>
        <translation>Hinweis</translation>
    </message>
</context>
<context>
    <name>TResultTable</name>
    <message>
        <source>Filter</source>
        <translation>Filtern</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>Als CSV exportieren...</translation>
    </message>
</context>
<context>
    <name>TServiceRun</name>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Starting</source>
        <translation>Startet</translation>
    </message>
    <message>
        <source>Running since %1</source>
        <translation>Läuft seit %1</translation>
    </message>
    <message>
        <source>Exited with code %1</source>
        <translation>Beendet mit Code %1</translation>
    </message>
    <message>
        <source>Restarting in %1 s (attempt %2 of %3)</source>
        <translation>Neustart in %1 s (Versuch %2 von %3)</translation>
    </message>
    <message>
        <source>Crashed</source>
        <translation>Abgestürzt</translation>
    </message>
    <message>
        <source>[No port from %1 to %2 is free on 127.0.0.1.]</source>
        <translation>[Kein Port von %1 bis %2 ist auf 127.0.0.1 frei.]</translation>
    </message>
    <message>
        <source>[Port %1 is taken by another program: the server starts on port %2.]</source>
        <translation>[Port %1 ist von einem anderen Programm belegt: Der Server startet auf Port %2.]</translation>
    </message>
    <message>
        <source>[The project folder %1 does not exist.]</source>
        <translation>[Der Projektordner %1 existiert nicht.]</translation>
    </message>
    <message>
        <source>[The service ended with exit code %1.]</source>
        <translation>[Der Dienst endete mit Exit-Code %1.]</translation>
    </message>
    <message>
        <source>[The service was ended by signal %1.]</source>
        <translation>[Der Dienst wurde durch Signal %1 beendet.]</translation>
    </message>
    <message>
        <source>[The service is not started again after %1 attempts.]</source>
        <translation>[Der Dienst wird nach %1 Versuchen nicht erneut gestartet.]</translation>
    </message>
</context>
<context>
    <name>TStartOptions</name>
    <message>
        <source>Runs php artisan and composer commands in a Laravel project.</source>
        <translation>Führt php-artisan- und composer-Befehle in einem Laravel-Projekt aus.</translation>
    </message>
    <message>
        <source>folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>A project folder: its parent is the web root for this run, and the project is selected. The remembered root and project change only when you choose another.</source>
        <translation>Ein Projektordner: Sein übergeordneter Ordner ist für diesen Start der Web-Stammordner, und das Projekt wird ausgewählt. Der gespeicherte Stammordner und das gespeicherte Projekt ändern sich erst, wenn Sie andere wählen.</translation>
    </message>
    <message>
        <source>[folder]</source>
        <translation>[Ordner]</translation>
    </message>
    <message>
        <source>Only one project folder can be named.</source>
        <translation>Es kann nur ein Projektordner angegeben werden.</translation>
    </message>
    <message>
        <source>%1 is not a folder.</source>
        <translation>%1 ist kein Ordner.</translation>
    </message>
    <message>
        <source>%1 has no parent folder to be the web root.</source>
        <translation>%1 hat keinen übergeordneten Ordner, der Web-Stammordner sein könnte.</translation>
    </message>
</context>
<context>
    <name>TTarnwickApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>TToolView</name>
    <message>
        <source>Runs: %1</source>
        <translation>Führt aus: %1</translation>
    </message>
    <message>
        <source>Choose a project first.</source>
        <translation>Wählen Sie zuerst ein Projekt.</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>Wird gelesen...</translation>
    </message>
    <message>
        <source>Ran: %1</source>
        <translation>Ausgeführt: %1</translation>
    </message>
    <message>
        <source>Read at %1</source>
        <translation>Gelesen um %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not available in this Laravel version.</source>
        <translation>„%1“ gibt es in dieser Laravel-Version nicht.</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
</context>
<context>
    <name>TViewsPane</name>
    <message>
        <source>Routes</source>
        <translation>Routen</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>Migrations</source>
        <translation>Migrationen</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>Zeitplan</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>Ereignisse</translation>
    </message>
    <message>
        <source>Run Pending</source>
        <translation>Ausstehende ausführen</translation>
    </message>
    <message>
        <source>Roll Back Last Batch</source>
        <translation>Letzten Stapel zurücknehmen</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>Tabelle</translation>
    </message>
    <message>
        <source>Size (bytes)</source>
        <translation>Größe (Bytes)</translation>
    </message>
    <message>
        <source>Rows</source>
        <translation>Zeilen</translation>
    </message>
    <message>
        <source>Engine</source>
        <translation>Engine</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Database: %1</source>
        <translation>Datenbank: %1</translation>
    </message>
    <message>
        <source>Rows are counted on Count Rows.</source>
        <translation>Zeilen werden mit „Zeilen zählen“ gezählt.</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Column</source>
        <translation>Spalte</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>Foreign key</source>
        <translation>Fremdschlüssel</translation>
    </message>
    <message>
        <source>Table: %1</source>
        <translation>Tabelle: %1</translation>
    </message>
    <message>
        <source>Attribute</source>
        <translation>Attribut</translation>
    </message>
    <message>
        <source>Nullable</source>
        <translation>Nullbar</translation>
    </message>
    <message>
        <source>Fillable</source>
        <translation>Befüllbar</translation>
    </message>
    <message>
        <source>Hidden</source>
        <translation>Verborgen</translation>
    </message>
    <message>
        <source>Cast</source>
        <translation>Cast</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>Relation</source>
        <translation>Beziehung</translation>
    </message>
    <message>
        <source>Related</source>
        <translation>Verknüpft mit</translation>
    </message>
    <message>
        <source>%1, table %2</source>
        <translation>%1, Tabelle %2</translation>
    </message>
    <message>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>Models</source>
        <translation>Modelle</translation>
    </message>
    <message>
        <source>Count Rows</source>
        <translation>Zeilen zählen</translation>
    </message>
    <message>
        <source>Choose a table above to see its columns, indexes and foreign keys.</source>
        <translation>Wählen Sie oben eine Tabelle, um ihre Spalten, Indizes und Fremdschlüssel zu sehen.</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; has a name that cannot be put on a command line.</source>
        <translation>Der Name der Tabelle &quot;%1&quot; kann nicht in eine Befehlszeile übernommen werden.</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modell:</translation>
    </message>
    <message>
        <source>There are no model classes under app/Models.</source>
        <translation>Unter app/Models gibt es keine Modellklassen.</translation>
    </message>
    <message>
        <source>The class &quot;%1&quot; has a name that cannot be put on a command line.</source>
        <translation>Der Name der Klasse &quot;%1&quot; kann nicht in eine Befehlszeile übernommen werden.</translation>
    </message>
</context>
<context>
    <name>TdtmMain</name>
    <message>
        <source>Refresh List</source>
        <translation>Liste aktualisieren</translation>
    </message>
    <message>
        <source>Command: </source>
        <translation>Befehl: </translation>
    </message>
</context>
<context>
    <name>TfrmLogViewer</name>
    <message>
        <source>Log - %1</source>
        <translation>Protokoll - %1</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filtern</translation>
    </message>
    <message>
        <source>From time</source>
        <translation>Ab Zeitpunkt</translation>
    </message>
    <message>
        <source>To time</source>
        <translation>Bis Zeitpunkt</translation>
    </message>
    <message>
        <source>E&amp;xactly</source>
        <translation>&amp;Genau diese</translation>
    </message>
    <message>
        <source>&amp;Follow</source>
        <translation>&amp;Mitlaufen</translation>
    </message>
    <message>
        <source>&amp;Older Entries</source>
        <translation>Frühere &amp;Einträge</translation>
    </message>
    <message>
        <source>C&amp;lear Log</source>
        <translation>Protokoll &amp;leeren</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Environment</source>
        <translation>Umgebung</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Stufe</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>(%1 more bytes)</source>
        <translation>(%1 weitere Bytes)</translation>
    </message>
    <message>
        <source>Empty the log file %1?</source>
        <translation>Die Protokolldatei %1 leeren?</translation>
    </message>
    <message>
        <source>The log file cannot be written.</source>
        <translation>Die Protokolldatei kann nicht geschrieben werden.</translation>
    </message>
    <message numerus="yes">
        <source>%n entries</source>
        <translation>
            <numerusform>%n Eintrag</numerusform>
            <numerusform>%n Einträge</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>When you donate you become my Boss. What can I do for you boss?</source>
        <translation>Wer spendet, wird mein Chef. Was kann ich für Sie tun, Chef?</translation>
    </message>
    <message>
        <source>Be Generous Please :)</source>
        <translation>Bitte seien Sie großzügig :)</translation>
    </message>
    <message>
        <source>www Root Folder:</source>
        <translation>www-Stammordner:</translation>
    </message>
    <message>
        <source>&amp;Browse</source>
        <translation>Dur&amp;chsuchen</translation>
    </message>
    <message>
        <source>Working Project</source>
        <translation>Arbeitsprojekt</translation>
    </message>
    <message>
        <source>Command:</source>
        <translation>Befehl:</translation>
    </message>
    <message>
        <source>Example: php artisan make:migration TestMigration</source>
        <translation>Beispiel: php artisan make:migration TestMigration</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Ausführen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Clear Compile</source>
        <translation>Kompilat leeren</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Abschalten</translation>
    </message>
    <message>
        <source>Env</source>
        <translation>Umgebung</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Inspire</source>
        <translation>Inspiration</translation>
    </message>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Optimize</source>
        <translation>Optimieren</translation>
    </message>
    <message>
        <source>Serve</source>
        <translation>Server starten</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Einschalten</translation>
    </message>
    <message>
        <source>Auth Clear Resets</source>
        <translation>Resets leeren</translation>
    </message>
    <message>
        <source>Cache Clear</source>
        <translation>Cache leeren</translation>
    </message>
    <message>
        <source>Cache Forget</source>
        <translation>Cache vergessen</translation>
    </message>
    <message>
        <source>Cache Table</source>
        <translation>Cache-Tabelle</translation>
    </message>
    <message>
        <source>Config Cache</source>
        <translation>Konfig cachen</translation>
    </message>
    <message>
        <source>Config Clear</source>
        <translation>Konfig leeren</translation>
    </message>
    <message>
        <source>Key Generate</source>
        <translation>Neuer Schlüssel</translation>
    </message>
    <message>
        <source>View Clear</source>
        <translation>Views leeren</translation>
    </message>
    <message>
        <source>DB</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>DB Seed</source>
        <translation>Datenbank befüllen</translation>
    </message>
    <message>
        <source>Make</source>
        <translation>Erzeugen</translation>
    </message>
    <message>
        <source>Auth</source>
        <translation>Auth</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>Befehl</translation>
    </message>
    <message>
        <source>Controller</source>
        <translation>Controller</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Ereignis</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>Job</translation>
    </message>
    <message>
        <source>Listener</source>
        <translation>Listener</translation>
    </message>
    <message>
        <source>Mail</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Middleware</source>
        <translation>Middleware</translation>
    </message>
    <message>
        <source>Migration</source>
        <translation>Migration</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Modell</translation>
    </message>
    <message>
        <source>Notification</source>
        <translation>Benachrichtigung</translation>
    </message>
    <message>
        <source>Policy</source>
        <translation>Richtlinie</translation>
    </message>
    <message>
        <source>Provider</source>
        <translation>Provider</translation>
    </message>
    <message>
        <source>Request</source>
        <translation>Anfrage</translation>
    </message>
    <message>
        <source>Seed</source>
        <translation>Seeder</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Model -crm</source>
        <translation>Modell -crm</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Neu aufsetzen</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Rollback</source>
        <translation>Zurückrollen</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Migrate</source>
        <translation>Migrieren</translation>
    </message>
    <message>
        <source>Route</source>
        <translation>Routen</translation>
    </message>
    <message>
        <source>Cache</source>
        <translation>Cachen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Composer</source>
        <translation>Composer</translation>
    </message>
    <message>
        <source>Dump Autoload</source>
        <translation>Autoload neu</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Validate</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Outdated</source>
        <translation>Veraltete</translation>
    </message>
    <message>
        <source>Clear Cache</source>
        <translation>Cache leeren</translation>
    </message>
    <message>
        <source>Diagnose</source>
        <translation>Diagnose</translation>
    </message>
    <message>
        <source>Self Update</source>
        <translation>Selbst-Update</translation>
    </message>
    <message>
        <source>Require</source>
        <translation>Paket hinzufügen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Check for Updates</source>
        <translation>Nach &amp;Updates suchen</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Run &amp;Again</source>
        <translation>&amp;Erneut ausführen</translation>
    </message>
    <message>
        <source>&amp;Save Output…</source>
        <translation>Ausgabe &amp;speichern…</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Find…</source>
        <translation>&amp;Suchen…</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find &amp;Previous</source>
        <translation>&amp;Rückwärts suchen</translation>
    </message>
    <message>
        <source>C&amp;lear Console</source>
        <translation>Konsole &amp;leeren</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Colours</source>
        <translation>&amp;Farben</translation>
    </message>
    <message>
        <source>Preset buttons ask the tools for coloured output (--ansi)</source>
        <translation>Die Vorgabe-Schaltflächen bitten die Werkzeuge um farbige Ausgabe (--ansi)</translation>
    </message>
    <message>
        <source>&amp;Terminal</source>
        <translation>Im &amp;Terminal ausführen</translation>
    </message>
    <message>
        <source>Commands run on a terminal of the console&apos;s size, so that they can ask questions</source>
        <translation>Befehle laufen in einem Terminal von der Größe der Konsole, damit sie Fragen stellen können</translation>
    </message>
    <message>
        <source>Console &amp;Font…</source>
        <translation>Konsolen&amp;schrift…</translation>
    </message>
    <message>
        <source>Choose the console&apos;s font</source>
        <translation>Die Schrift der Konsole wählen</translation>
    </message>
    <message>
        <source>Console Font</source>
        <translation>Konsolenschrift</translation>
    </message>
    <message>
        <source>Save Output</source>
        <translation>Ausgabe speichern</translation>
    </message>
    <message>
        <source>Text files (*.txt);;All files (*)</source>
        <translation>Textdateien (*.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Nothing has run in this project yet.</source>
        <translation>In diesem Projekt wurde noch nichts ausgeführt.</translation>
    </message>
    <message>
        <source>The command history cannot be saved: </source>
        <translation>Der Befehlsverlauf kann nicht gespeichert werden: </translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Run the command in the command box (or press the focused button)</source>
        <translation>Den Befehl im Befehlsfeld ausführen (oder die Schaltfläche mit dem Fokus drücken)</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Stop the running command</source>
        <translation>Den laufenden Befehl anhalten</translation>
    </message>
    <message>
        <source>Up, Down</source>
        <translation>Pfeil hoch, Pfeil runter</translation>
    </message>
    <message>
        <source>Walk through the project&apos;s earlier command lines</source>
        <translation>Durch die früheren Befehlszeilen des Projekts blättern</translation>
    </message>
    <message>
        <source>Alt+Down</source>
        <translation>Alt+Pfeil runter</translation>
    </message>
    <message>
        <source>List the project&apos;s earlier command lines</source>
        <translation>Die früheren Befehlszeilen des Projekts auflisten</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Strg+R</translation>
    </message>
    <message>
        <source>Read the project list again</source>
        <translation>Die Projektliste neu einlesen</translation>
    </message>
    <message>
        <source>F3, Shift+F3</source>
        <translation>F3, Umschalt+F3</translation>
    </message>
    <message>
        <source>Find the next or previous match</source>
        <translation>Den nächsten oder vorherigen Treffer suchen</translation>
    </message>
    <message>
        <source>Welcome to Tarnwick: it runs php artisan and composer commands in your Laravel projects.

Choose the folder that holds your Laravel projects with Browse…, then pick a project from the list and click a command, or type one and press Enter.

Ctrl+Shift+P	every command of the project, with a form
Esc	stop the running command
Ctrl+F	find in the console
F1	the documentation</source>
        <translation>Willkommen bei Tarnwick: Es führt php-artisan- und composer-Befehle in Ihren Laravel-Projekten aus.

Wählen Sie mit „Durchsuchen“ den Ordner, der Ihre Laravel-Projekte enthält, wählen Sie dann ein Projekt aus der Liste und klicken Sie auf einen Befehl, oder tippen Sie einen ein und drücken Sie die Eingabetaste.

Strg+Umschalt+P	jeder Befehl des Projekts, mit einem Formular
Esc	den laufenden Befehl anhalten
Strg+F	in der Konsole suchen
F1	die Dokumentation</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Documentation</source>
        <translation>&amp;Dokumentation</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>&amp;Tastenkürzel</translation>
    </message>
    <message>
        <source>&amp;About Tarnwick</source>
        <translation>&amp;Über Tarnwick</translation>
    </message>
    <message>
        <source>Pr&amp;eferences…</source>
        <translation>&amp;Einstellungen…</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Tasten</translation>
    </message>
    <message>
        <source>What they do</source>
        <translation>Was sie bewirken</translation>
    </message>
    <message>
        <source>About Tarnwick</source>
        <translation>Über Tarnwick</translation>
    </message>
    <message>
        <source>Runs the framework&apos;s command-line tool and Composer in your Laravel projects.

</source>
        <translation>Führt das Kommandozeilenwerkzeug des Frameworks und Composer in Ihren Laravel-Projekten aus.

</translation>
    </message>
    <message>
        <source>.
The program is the Tarnwick developers&apos; own work; it uses the Qt libraries (LGPL 3) and, for the update check, libcurl.</source>
        <translation>.
Das Programm ist ein eigenes Werk der Tarnwick-Entwickler; es verwendet die Qt-Bibliotheken (LGPL 3) und, für die Suche nach Updates, libcurl.</translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation>Über &amp;Qt</translation>
    </message>
    <message>
        <source>No artisan file and no composer.json: commands may not work here</source>
        <translation>Keine artisan-Datei und keine composer.json: Befehle funktionieren hier womöglich nicht</translation>
    </message>
    <message>
        <source>%1 has no sub-folders: choose the folder that holds your Laravel projects.</source>
        <translation>%1 hat keine Unterordner: Wählen Sie den Ordner, der Ihre Laravel-Projekte enthält.</translation>
    </message>
    <message>
        <source>None of the %1 folders in %2 has an artisan file: is it the folder that holds your Laravel projects?</source>
        <translation>Keiner der %1 Ordner in %2 hat eine artisan-Datei: Ist das der Ordner, der Ihre Laravel-Projekte enthält?</translation>
    </message>
    <message>
        <source>Co&amp;mmands</source>
        <translation>Be&amp;fehle</translation>
    </message>
    <message>
        <source>Run &amp;Any Command…</source>
        <translation>&amp;Beliebigen Befehl ausführen…</translation>
    </message>
    <message>
        <source>A command is still running: stop it or wait until it has ended.</source>
        <translation>Ein Befehl läuft noch: Halten Sie ihn an oder warten Sie, bis er beendet ist.</translation>
    </message>
    <message>
        <source>Support &amp; Suggestions: </source>
        <translation>Hilfe &amp; Vorschläge: </translation>
    </message>
    <message>
        <source>Settings could not be saved: </source>
        <translation>Die Einstellungen konnten nicht gespeichert werden: </translation>
    </message>
    <message>
        <source>Pro&amp;ject</source>
        <translation>Pro&amp;jekt</translation>
    </message>
    <message>
        <source>&amp;Tools…</source>
        <translation>&amp;Werkzeuge…</translation>
    </message>
    <message>
        <source>The project&apos;s PHP, Composer and the way commands reach it</source>
        <translation>PHP und Composer des Projekts und der Weg, auf dem Befehle es erreichen</translation>
    </message>
    <message>
        <source>Choose a project first.</source>
        <translation>Wählen Sie zuerst ein Projekt.</translation>
    </message>
    <message>
        <source>The project&apos;s tools could not be saved in </source>
        <translation>Die Werkzeuge des Projekts konnten nicht gespeichert werden in </translation>
    </message>
    <message>
        <source>&amp;Input:</source>
        <translation>E&amp;ingabe:</translation>
    </message>
    <message>
        <source>A line to send to the running command (Enter sends it)</source>
        <translation>Eine Zeile für den laufenden Befehl (die Eingabetaste sendet sie)</translation>
    </message>
    <message>
        <source>Sen&amp;d</source>
        <translation>Sen&amp;den</translation>
    </message>
    <message>
        <source>End In&amp;put</source>
        <translation>Eingabe &amp;beenden</translation>
    </message>
    <message>
        <source>No project is selected.</source>
        <translation>Kein Projekt ausgewählt.</translation>
    </message>
    <message>
        <source>The project folder &quot;%1&quot; no longer exists. Choose another project, or refresh the list (Ctrl+R).</source>
        <translation>Den Projektordner „%1“ gibt es nicht mehr. Wählen Sie ein anderes Projekt oder aktualisieren Sie die Liste (Strg+R).</translation>
    </message>
    <message>
        <source>A command is still running: Stop (Alt+S) or Esc ends it.</source>
        <translation>Ein Befehl läuft noch: Stopp (Alt+S) oder Esc beendet ihn.</translation>
    </message>
    <message>
        <source>Not read yet: %1 bytes wait</source>
        <translation>Noch nicht gelesen: %1 Bytes warten</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stopp</translation>
    </message>
    <message>
        <source>Running: </source>
        <translation>Läuft: </translation>
    </message>
    <message>
        <source> (the command was stopped)</source>
        <translation> (der Befehl wurde angehalten)</translation>
    </message>
    <message>
        <source>Command: </source>
        <translation>Befehl: </translation>
    </message>
    <message>
        <source>Exit code %1</source>
        <translation>Exit-Code %1</translation>
    </message>
    <message>
        <source>Ended by signal %1</source>
        <translation>Beendet durch Signal %1</translation>
    </message>
    <message>
        <source>Stopped after </source>
        <translation>Angehalten nach </translation>
    </message>
    <message>
        <source>Could not start</source>
        <translation>Start nicht möglich</translation>
    </message>
    <message>
        <source>Not sent: the command&apos;s input is closed or full</source>
        <translation>Nicht gesendet: Die Eingabe des Befehls ist geschlossen oder voll</translation>
    </message>
    <message>
        <source>[End of input]</source>
        <translation>[Ende der Eingabe]</translation>
    </message>
    <message>
        <source>A command is still running:
%1

Stop it and quit?</source>
        <translation>Ein Befehl läuft noch:
%1

Ihn anhalten und beenden?</translation>
    </message>
    <message>
        <source>Arguments</source>
        <translation>Argumente</translation>
    </message>
    <message>
        <source>Enter Arguments</source>
        <translation>Argumente eingeben</translation>
    </message>
    <message>
        <source>Nothing was run: composer %1 needs a package name.</source>
        <translation>Nichts ausgeführt: composer %1 braucht einen Paketnamen.</translation>
    </message>
    <message>
        <source>The update check failed: </source>
        <translation>Die Suche nach Updates ist fehlgeschlagen: </translation>
    </message>
    <message>
        <source>Aaaah no updates available yet :)</source>
        <translation>Ooooh, noch keine Updates verfügbar :)</translation>
    </message>
    <message>
        <source>Vie&amp;ws</source>
        <translation>Übersich&amp;ten</translation>
    </message>
    <message>
        <source>&amp;Log</source>
        <translation>&amp;Protokoll</translation>
    </message>
    <message>
        <source>The project&apos;s newest log file as a table of entries</source>
        <translation>Die neueste Protokolldatei des Projekts als Tabelle der Einträge</translation>
    </message>
    <message>
        <source>Clear Log</source>
        <translation>Protokoll leeren</translation>
    </message>
    <message>
        <source>Copyright © 2026 The Tarnwick developers</source>
        <translation>Copyright © 2026 Die Tarnwick-Entwickler</translation>
    </message>
    <message>
        <source>Pinned</source>
        <translation>Angeheftet</translation>
    </message>
    <message>
        <source>Pinned commands, one click away</source>
        <translation>Angeheftete Befehle, einen Klick entfernt</translation>
    </message>
    <message>
        <source>&amp;Services</source>
        <translation>&amp;Dienste</translation>
    </message>
    <message>
        <source>The project&apos;s development server, queue worker, scheduler and other services</source>
        <translation>Entwicklungsserver, Queue-Worker, Scheduler und weitere Dienste des Projekts</translation>
    </message>
    <message>
        <source>Services</source>
        <translation>Dienste</translation>
    </message>
    <message>
        <source>A service was not started again after it crashed: </source>
        <translation>Ein Dienst wurde nach seinem Absturz nicht erneut gestartet: </translation>
    </message>
    <message>
        <source>These services are still running:
%1

Stop them and quit?</source>
        <translation>Diese Dienste laufen noch:
%1

Sie stoppen und beenden?</translation>
    </message>
    <message>
        <source>A service crashed</source>
        <translation>Ein Dienst ist abgestürzt</translation>
    </message>
    <message>
        <source>Command finished</source>
        <translation>Befehl beendet</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>CSV exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Views</source>
        <translation>Ansichten</translation>
    </message>
    <message>
        <source>Views &amp;Pane</source>
        <translation>Ansichts&amp;bereich</translation>
    </message>
    <message>
        <source>Runs &quot;%1&quot; and shows the result as a table</source>
        <translation>Führt „%1“ aus und zeigt das Ergebnis als Tabelle</translation>
    </message>
    <message>
        <source>The editor command &quot;%1&quot; could not start.</source>
        <translation>Der Editor-Befehl &quot;%1&quot; konnte nicht starten.</translation>
    </message>
    <message>
        <source>Copied %1: no development server runs for this project.</source>
        <translation>%1 kopiert: Für dieses Projekt läuft kein Entwicklungsserver.</translation>
    </message>
    <message>
        <source>Log %1</source>
        <translation>Log %1</translation>
    </message>
</context>
<context>
    <name>TfrmPalette</name>
    <message>
        <source>
Default: </source>
        <translation>
Standard: </translation>
    </message>
    <message>
        <source>Run Any Command</source>
        <translation>Beliebigen Befehl ausführen</translation>
    </message>
    <message>
        <source>Type part of a name or description, e.g. mig st</source>
        <translation>Teil eines Namens oder einer Beschreibung eingeben, z. B. mig st</translation>
    </message>
    <message>
        <source>&amp;Search:</source>
        <translation>&amp;Suchen:</translation>
    </message>
    <message>
        <source>Re&amp;fresh</source>
        <translation>&amp;Neu lesen</translation>
    </message>
    <message>
        <source>Read the project&apos;s commands again</source>
        <translation>Die Befehle des Projekts neu einlesen</translation>
    </message>
    <message>
        <source>Command &amp;line:</source>
        <translation>Befehls&amp;zeile:</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Ausführen</translation>
    </message>
    <message>
        <source>Choose a project first: its commands are listed here.</source>
        <translation>Wählen Sie zuerst ein Projekt: Seine Befehle stehen dann hier.</translation>
    </message>
    <message>
        <source>Reading the project&apos;s commands…</source>
        <translation>Die Befehle des Projekts werden gelesen…</translation>
    </message>
    <message>
        <source>  ★ preset</source>
        <translation>  ★ Vorgabe</translation>
    </message>
    <message>
        <source>one value per line</source>
        <translation>ein Wert pro Zeile</translation>
    </message>
    <message>
        <source>A value holds a line break, which this system&apos;s command line cannot carry.</source>
        <translation>Ein Wert enthält einen Zeilenumbruch, den die Befehlszeile dieses Systems nicht übertragen kann.</translation>
    </message>
    <message>
        <source>Fill in the required argument &quot;%1&quot;.</source>
        <translation>Füllen Sie das nötige Argument „%1“ aus.</translation>
    </message>
    <message>
        <source>Choose a command from the list.</source>
        <translation>Wählen Sie einen Befehl aus der Liste.</translation>
    </message>
    <message>
        <source>A value holds a percent sign or a line break, which cannot be passed safely to the batch file %1.</source>
        <translation>Ein Wert enthält ein Prozentzeichen oder einen Zeilenumbruch, der sich nicht sicher an die Batchdatei %1 übergeben lässt.</translation>
    </message>
    <message>
        <source>This project</source>
        <translation>Dieses Projekt</translation>
    </message>
    <message>
        <source>All projects</source>
        <translation>Alle Projekte</translation>
    </message>
    <message>
        <source>Pi&amp;n for:</source>
        <translation>A&amp;nheften für:</translation>
    </message>
    <message>
        <source>&amp;Pin</source>
        <translation>An&amp;heften</translation>
    </message>
    <message>
        <source>Keep this command line on the Pinned page, one click away</source>
        <translation>Diese Befehlszeile auf der Seite „Angeheftet“ ablegen, einen Klick entfernt</translation>
    </message>
    <message>
        <source>Pinned for all projects: %1</source>
        <translation>Für alle Projekte angeheftet: %1</translation>
    </message>
    <message>
        <source>Pinned for this project: %1</source>
        <translation>Für dieses Projekt angeheftet: %1</translation>
    </message>
</context>
<context>
    <name>TfrmPinnedPage</name>
    <message>
        <source>Click or Enter runs a command; the context menu renames, moves or removes it</source>
        <translation>Klick oder Eingabetaste führt einen Befehl aus; das Kontextmenü benennt ihn um, verschiebt oder entfernt ihn</translation>
    </message>
    <message>
        <source>Nothing pinned yet: choose a command in Commands &gt; Run Any Command (Ctrl+Shift+P) and press Pin.</source>
        <translation>Noch nichts angeheftet: Wählen Sie unter Befehle &gt; Beliebigen Befehl ausführen (Strg+Umschalt+P) einen Befehl und drücken Sie „Anheften“.</translation>
    </message>
    <message>
        <source>Pins could not be saved: </source>
        <translation>Angeheftete Befehle konnten nicht gespeichert werden: </translation>
    </message>
    <message>
        <source>Rename Pin</source>
        <translation>Angehefteten Befehl umbenennen</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Re&amp;name…</source>
        <translation>&amp;Umbenennen…</translation>
    </message>
    <message>
        <source>Move &amp;Up</source>
        <translation>Nach &amp;oben</translation>
    </message>
    <message>
        <source>Move &amp;Down</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source>Re&amp;move</source>
        <translation>&amp;Entfernen</translation>
    </message>
</context>
<context>
    <name>TfrmPreferences</name>
    <message>
        <source>System default</source>
        <translation>Systemvorgabe</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Look for a newer version after the start</source>
        <translation>Nach dem Start nach einer neueren Version &amp;suchen</translation>
    </message>
    <message>
        <source>Ten seconds after the start, ask the web site whether a newer version exists (File &gt; Check for Updates always can)</source>
        <translation>Zehn Sekunden nach dem Start auf der Website nachfragen, ob es eine neuere Version gibt (Datei &gt; Nach Updates suchen geht immer)</translation>
    </message>
    <message>
        <source>&amp;Coloured output from the preset buttons</source>
        <translation>&amp;Farbige Ausgabe der Vorgabe-Schaltflächen</translation>
    </message>
    <message>
        <source>The preset buttons add the tools&apos; --ansi option (View &gt; Colours)</source>
        <translation>Die Vorgabe-Schaltflächen hängen die Option --ansi der Werkzeuge an (Ansicht &gt; Farben)</translation>
    </message>
    <message>
        <source>C&amp;hoose…</source>
        <translation>&amp;Wählen…</translation>
    </message>
    <message>
        <source>The font the console writes in</source>
        <translation>Die Schrift, in der die Konsole schreibt</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>S&amp;tandard</translation>
    </message>
    <message>
        <source>Tahoma where it is installed, else the system&apos;s fixed-width font</source>
        <translation>Tahoma, wo installiert, sonst die Festbreitenschrift des Systems</translation>
    </message>
    <message>
        <source>How much text the console keeps; past it the oldest text leaves</source>
        <translation>Wie viel Text die Konsole behält; darüber hinaus fällt der älteste Text weg</translation>
    </message>
    <message>
        <source> Mi characters</source>
        <translation> Mi Zeichen</translation>
    </message>
    <message>
        <source>The command line that opens a file at a line, for example code --goto {file}:{line}; empty: the desktop&apos;s opener</source>
        <translation>Die Befehlszeile, die eine Datei an einer Zeile öffnet, zum Beispiel code --goto {file}:{line}; leer: das Standardprogramm des Desktops</translation>
    </message>
    <message>
        <source>the desktop&apos;s opener</source>
        <translation>das Standardprogramm des Desktops</translation>
    </message>
    <message>
        <source>The language of the program&apos;s texts, from the next start</source>
        <translation>Die Sprache der Programmtexte, ab dem nächsten Start</translation>
    </message>
    <message>
        <source>Console &amp;font:</source>
        <translation>&amp;Konsolenschrift:</translation>
    </message>
    <message>
        <source>Console &amp;holds at most:</source>
        <translation>Konsole &amp;hält höchstens:</translation>
    </message>
    <message>
        <source>&amp;Editor command:</source>
        <translation>&amp;Editor-Befehl:</translation>
    </message>
    <message>
        <source>L&amp;anguage:</source>
        <translation>Sp&amp;rache:</translation>
    </message>
    <message>
        <source>A new language shows from the next start.</source>
        <translation>Eine neue Sprache gilt ab dem nächsten Start.</translation>
    </message>
    <message>
        <source> (default)</source>
        <translation> (Standard)</translation>
    </message>
    <message>
        <source>Console Font</source>
        <translation>Konsolenschrift</translation>
    </message>
    <message>
        <source>&amp;Notify of new log errors while the log viewer is inactive</source>
        <translation>Bei neuen Log-Fehlern &amp;benachrichtigen, solange der Log-Betrachter inaktiv ist</translation>
    </message>
    <message>
        <source>A new ERROR, CRITICAL, ALERT or EMERGENCY entry in a followed log shows a desktop notification while the log viewer is not the active window</source>
        <translation>Ein neuer Eintrag ERROR, CRITICAL, ALERT oder EMERGENCY in einem verfolgten Log zeigt eine Desktop-Benachrichtigung, solange der Log-Betrachter nicht das aktive Fenster ist</translation>
    </message>
</context>
<context>
    <name>TfrmServiceSettings</name>
    <message>
        <source>Services of %1</source>
        <translation>Dienste von %1</translation>
    </message>
    <message>
        <source>Queue connection</source>
        <translation>Queue-Verbindung</translation>
    </message>
    <message>
        <source>The queue connection the worker takes jobs from; empty: the default</source>
        <translation>Die Queue-Verbindung, aus der der Worker Jobs nimmt; leer: die Vorgabe</translation>
    </message>
    <message>
        <source>Queues</source>
        <translation>Queues</translation>
    </message>
    <message>
        <source>The queues to work, in order, separated by commas; empty: the default</source>
        <translation>Die abzuarbeitenden Queues, der Reihe nach, durch Kommas getrennt; leer: die Vorgabe</translation>
    </message>
    <message>
        <source>Tries</source>
        <translation>Versuche</translation>
    </message>
    <message>
        <source>How often a job is tried; 0: the default</source>
        <translation>Wie oft ein Job versucht wird; 0: die Vorgabe</translation>
    </message>
    <message>
        <source>Timeout in seconds</source>
        <translation>Zeitlimit in Sekunden</translation>
    </message>
    <message>
        <source>How long a job may run; 0: the default</source>
        <translation>Wie lange ein Job laufen darf; 0: die Vorgabe</translation>
    </message>
    <message>
        <source>Queue &amp;connection:</source>
        <translation>Queue-&amp;Verbindung:</translation>
    </message>
    <message>
        <source>&amp;Queues:</source>
        <translation>&amp;Queues:</translation>
    </message>
    <message>
        <source>&amp;Tries:</source>
        <translation>Ve&amp;rsuche:</translation>
    </message>
    <message>
        <source>Time&amp;out (s):</source>
        <translation>&amp;Zeitlimit (s):</translation>
    </message>
    <message>
        <source>&amp;Own services:</source>
        <translation>Eigene &amp;Dienste:</translation>
    </message>
    <message>
        <source>Own services</source>
        <translation>Eigene Dienste</translation>
    </message>
    <message>
        <source>Your own services: a name and the command line that runs it</source>
        <translation>Ihre eigenen Dienste: ein Name und die Befehlszeile, die ihn ausführt</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Command line</source>
        <translation>Befehlszeile</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add a service of your own</source>
        <translation>Einen eigenen Dienst hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove the selected service of your own</source>
        <translation>Den gewählten eigenen Dienst entfernen</translation>
    </message>
</context>
<context>
    <name>TfrmServices</name>
    <message>
        <source>Services</source>
        <translation>Dienste</translation>
    </message>
    <message>
        <source>Service</source>
        <translation>Dienst</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>This project</source>
        <translation>Dieses Projekt</translation>
    </message>
    <message>
        <source>Other projects</source>
        <translation>Andere Projekte</translation>
    </message>
    <message>
        <source>Start the selected service</source>
        <translation>Den gewählten Dienst starten</translation>
    </message>
    <message>
        <source>Stop the selected service and what it started</source>
        <translation>Den gewählten Dienst und alles, was er gestartet hat, stoppen</translation>
    </message>
    <message>
        <source>Stop the selected service and start it again</source>
        <translation>Den gewählten Dienst stoppen und wieder starten</translation>
    </message>
    <message>
        <source>Open the address the server serves at</source>
        <translation>Die Adresse öffnen, unter der der Server antwortet</translation>
    </message>
    <message>
        <source>Start every service of this project</source>
        <translation>Alle Dienste dieses Projekts starten</translation>
    </message>
    <message>
        <source>Stop every service of this project</source>
        <translation>Alle Dienste dieses Projekts stoppen</translation>
    </message>
    <message>
        <source>No project is selected.</source>
        <translation>Kein Projekt ist ausgewählt.</translation>
    </message>
    <message>
        <source>Services of %1</source>
        <translation>Dienste von %1</translation>
    </message>
    <message>
        <source>Service output</source>
        <translation>Ausgabe des Dienstes</translation>
    </message>
    <message>
        <source>Command: </source>
        <translation>Befehl: </translation>
    </message>
    <message>
        <source>%1 ended with exit code %2.</source>
        <translation>%1 endete mit dem Exit-Code %2.</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <source>Restart</source>
        <translation>Neu starten</translation>
    </message>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Start All</source>
        <translation>Alle starten</translation>
    </message>
    <message>
        <source>Stop All</source>
        <translation>Alle stoppen</translation>
    </message>
    <message>
        <source>Start with the project</source>
        <translation>Mit dem Projekt starten</translation>
    </message>
    <message>
        <source>Start the selected service when the project is selected</source>
        <translation>Den gewählten Dienst starten, wenn das Projekt ausgewählt wird</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>The queue worker&apos;s options and services of your own</source>
        <translation>Die Optionen des Queue-Workers und eigene Dienste</translation>
    </message>
    <message>
        <source>The settings could not be saved in %1.</source>
        <translation>Die Einstellungen konnten nicht in %1 gespeichert werden.</translation>
    </message>
</context>
<context>
    <name>TfrmTools</name>
    <message>
        <source>Project Tools</source>
        <translation>Projektwerkzeuge</translation>
    </message>
    <message>
        <source>Project: </source>
        <translation>Projekt: </translation>
    </message>
    <message>
        <source>&amp;PHP program:</source>
        <translation>&amp;PHP-Programm:</translation>
    </message>
    <message>
        <source>php on the search path, or the full path of a PHP program</source>
        <translation>php im Suchpfad oder der vollständige Pfad eines PHP-Programms</translation>
    </message>
    <message>
        <source>C&amp;omposer program:</source>
        <translation>C&amp;omposer-Programm:</translation>
    </message>
    <message>
        <source>composer on the search path, a full path, or composer.phar for the project&apos;s own copy</source>
        <translation>composer im Suchpfad, ein vollständiger Pfad oder composer.phar für die eigene Kopie des Projekts</translation>
    </message>
    <message>
        <source>Directly</source>
        <translation>Direkt</translation>
    </message>
    <message>
        <source>Through Sail (./vendor/bin/sail)</source>
        <translation>Über Sail (./vendor/bin/sail)</translation>
    </message>
    <message>
        <source>Through a Docker Compose service</source>
        <translation>Über einen Docker-Compose-Dienst</translation>
    </message>
    <message>
        <source>&amp;Run commands:</source>
        <translation>Befehle &amp;ausführen:</translation>
    </message>
    <message>
        <source>&amp;Service:</source>
        <translation>&amp;Dienst:</translation>
    </message>
    <message>
        <source>One NAME=value a line</source>
        <translation>Ein NAME=Wert pro Zeile</translation>
    </message>
    <message>
        <source>&amp;Environment:</source>
        <translation>&amp;Umgebung:</translation>
    </message>
    <message>
        <source>&amp;Check</source>
        <translation>P&amp;rüfen</translation>
    </message>
    <message>
        <source>could not start</source>
        <translation>Start nicht möglich</translation>
    </message>
    <message>
        <source>exit code %1</source>
        <translation>Exit-Code %1</translation>
    </message>
    <message>
        <source>On another computer over SSH</source>
        <translation>Auf einem anderen Rechner über SSH</translation>
    </message>
    <message>
        <source>SSH &amp;host:</source>
        <translation>SSH-&amp;Host:</translation>
    </message>
    <message>
        <source>user@host; the host&apos;s key must already be known, and a key or agent is used, never a password</source>
        <translation>benutzer@host; der Schlüssel des Hosts muss bereits bekannt sein, und es wird ein Schlüssel oder Agent verwendet, nie ein Passwort</translation>
    </message>
    <message>
        <source>SSH por&amp;t:</source>
        <translation>SSH-Por&amp;t:</translation>
    </message>
    <message>
        <source>Blank for the usual port</source>
        <translation>Leer für den üblichen Port</translation>
    </message>
    <message>
        <source>&amp;Folder on the host:</source>
        <translation>Ord&amp;ner auf dem Host:</translation>
    </message>
    <message>
        <source>The project&apos;s folder on the host, for example /var/www/blog or ~/blog</source>
        <translation>Der Ordner des Projekts auf dem Host, zum Beispiel /var/www/blog oder ~/blog</translation>
    </message>
    <message>
        <source>&amp;Identity file:</source>
        <translation>&amp;Schlüsseldatei:</translation>
    </message>
    <message>
        <source>Optional: the private key file on this computer</source>
        <translation>Optional: die Datei mit dem privaten Schlüssel auf diesem Rechner</translation>
    </message>
    <message>
        <source>These settings cannot be kept: </source>
        <translation>Diese Einstellungen können nicht übernommen werden: </translation>
    </message>
    <message>
        <source>Inside WSL</source>
        <translation>In WSL</translation>
    </message>
    <message>
        <source>WSL distri&amp;bution:</source>
        <translation>WSL-Distri&amp;bution:</translation>
    </message>
    <message>
        <source>The distribution&apos;s name, as wsl.exe --list shows it</source>
        <translation>Der Name der Distribution, wie wsl.exe --list ihn zeigt</translation>
    </message>
    <message>
        <source>Folder in WS&amp;L:</source>
        <translation>Ordner in WS&amp;L:</translation>
    </message>
    <message>
        <source>The project&apos;s folder inside the distribution; a Windows path becomes its /mnt path</source>
        <translation>Der Ordner des Projekts in der Distribution; ein Windows-Pfad wird zu seinem /mnt-Pfad</translation>
    </message>
</context>
<context>
    <name>TfrmUpdate</name>
    <message>
        <source>Update</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>Update Available</source>
        <translation>Aktualisierung verfügbar</translation>
    </message>
    <message>
        <source>New Version:</source>
        <translation>Neue Version:</translation>
    </message>
    <message>
        <source>Download:</source>
        <translation>Herunterladen:</translation>
    </message>
    <message>
        <source>Update Message:</source>
        <translation>Hinweis zur Aktualisierung:</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
</TS>
