// The label tables in every language.
#include "base/language.h"

#include "base/lg.h"
#include "base/utf8.h"
#include "base/xmem.h"

#include <cstring>
#include <deque>
#include <string>

// Labels are written as Latin-1 bytes; an entry holding such bytes is converted to UTF-8 once,
// as its table is filled at start, and kept for the run.
const char *LgLatin1(const char *latin1) {
    static std::deque<std::string> &store = *new std::deque<std::string>;
    size_t n = strlen(latin1);
    std::string s(2 * n + 1, '\0');
    s.resize(Latin1ToUtf8(latin1, n, s.data(), s.size()));
    store.push_back(s);
    return store.back().c_str();
}

const char *const mainLanguage[LG_COLUMNS] = {"DE", "EN", "FR", "ES", "IT"};

// clang-format off
// General words (LgRes).
const char *const szresL[73 * LG_COLUMNS] = {
    /*  0 */ "Datei", "File", "fr", "es", "it",
    /*  1 */ "Verzeichnis", "Directory", "fr", "es", "it",
    /*  2 */ "Bild(er)", "Image(s)", "fr", "es", "it",
    /*  3 */ LgLatin1("Men\xfc"), "Menu", "fr", "es", "it",
    /*  4 */ "Fenster", "Window", "fr", "es", "it",
    /*  5 */ "GC", "GC", "fr", "es", "it",
    /*  6 */ "Status", "Status", "fr", "es", "it",
    /*  7 */ "Farbe", "Color", "fr", "es", "it",
    /*  8 */ "Schrift", "Font", "fr", "es", "it",
    /*  9 */ "Optionen", "Options", "fr", "es", "it",
    /* 10 */ "Sprache", "Language", "fr", "es", "it",
    /* 11 */ "Ja", "Yes", "fr", "es", "it",
    /* 12 */ "Nein", "No", "fr", "es", "it",
    /* 13 */ "Symbol", "Symbol", "fr", "es", "it",
    /* 14 */ "Name", "Name", "fr", "es", "it",
    /* 15 */ "Standard", "Default", "fr", "es", "it",
    /* 16 */ "OK", "OK", "fr", "es", "it",
    /* 17 */ "Abbruch", "Cancel", "fr", "es", "it",
    /* 18 */ "ignorieren", "Ignore", "fr", "es", "it",
    /* 19 */ "wiederholen", "Review", "fr", "es", "it",
    /* 20 */ "Icon", "Icon", "fr", "es", "it",
    /* 21 */ "Fehler", "Error", "fr", "es", "it",
    /* 22 */ "Kind", "Child", "fr", "es", "it",
    /* 23 */ "Eltern", "Parent", "fr", "es", "it",
    /* 24 */ "Bitmap", "Bitmap", "fr", "es", "it",
    /* 25 */ "Vorschau", "Preview", "fr", "es", "it",
    /* 26 */ "XImage", "XImage", "fr", "es", "it",
    /* 27 */ "Zeit", "Time", "fr", "es", "it",
    /* 28 */ "I-Node", "I-Node", "fr", "es", "it",
    /* 29 */ "Benutzer", "User", "fr", "es", "it",
    /* 30 */ "Gruppe", "Group", "fr", "es", "it",
    /* 31 */ (LgLatin1("Gr\xf6\xdf" "e")), "Size", "fr", "es", "it",
    /* 32 */ "Erlaubnis", "Permission", "fr", "es", "it",
    /* 33 */ "Typ", "Typ", "fr", "es", "it",
    /* 34 */ "Eigenschaft", "Property", "fr", "es", "it",
    /* 35 */ "Nachbar", "Neighbor", "fr", "es", "it",
    /* 36 */ "links", "left", "fr", "es", "it",
    /* 37 */ "oben", "top", "fr", "es", "it",
    /* 38 */ "rechts", "right", "fr", "es", "it",
    /* 39 */ "unten", "down", "fr", "es", "it",
    /* 40 */ "Filter", "Filter", "fr", "es", "it",
    /* 41 */ LgLatin1("Qualit\xe4t in %"), "Quality in %", "fr", "es", "it",
    /* 42 */ "Kompression", "Compression", "fr", "es", "it",
    /* 43 */ "letzter Zugriff", "Last access", "fr", "es", "it",
    /* 44 */ LgLatin1("letzte \xc4nderung"), "Last modify", "fr", "es", "it",
    /* 45 */ LgLatin1("Eintr\xe4ge"), "Entry(s)", "fr", "es", "it",
    /* 46 */ "Beschreibung", "Description", "fr", "es", "it",
    /* 47 */ "Server", "Server", "fr", "es", "it",
    /* 48 */ "Client", "Client", "fr", "es", "it",
    /* 49 */ "Socket", "Socket", "fr", "es", "it",
    /* 50 */ "Speicher", "Memory", "fr", "es", "it",
    /* 51 */ "einzeln", "single", "fr", "es", "it",
    /* 52 */ "+ Unterverzeichnisse", "+ Subdirectory's", "fr", "es", "it",
    /* 53 */ "Kennwort", "Password", "fr", "es", "it",
    /* 54 */ LgLatin1("verf\xfcgbar"), "available", "fr", "es", "it",
    /* 55 */ "Schlagwort", "Catchword", "fr", "es", "it",
    /* 56 */ "Stop", "Stop", "fr", "es", "it",
    /* 57 */ "Abspielen", "Play", "fr", "es", "it",
    /* 58 */ LgLatin1("Vorw\xe4rts"), "Forward", "fr", "es", "it",
    /* 59 */ (LgLatin1("R\xfc" "ckw\xe4rts")), "Backward", "fr", "es", "it",
    /* 60 */ (LgLatin1("\xdc" "bersicht")), "Navigator", "fr", "es", "it",
    /* 61 */ "Zoom", "Zoom", "fr", "es", "it",
    /* 62 */ "Patient", "Patient", "fr", "es", "it",
    /* 63 */ "von", "from", "fr", "es", "it",
    /* 64 */ "bis", "to", "fr", "es", "it",
    /* 65 */ "english", "deutsch", "fr", "es", "it",
    /* 66 */ "Vordergrund", "Foregound", "fr", "es", "it",
    /* 67 */ "Hintergrund", "Background", "fr", "es", "it",
    /* 68 */ "Thread", "Thread", "fr", "es", "it",
    /* 69 */ "Maustaste", "Mousebutton", "fr", "es", "it",
    /* 70 */ LgLatin1("Blockgr\xf6\xdf" "e"), "Block size", "fr", "es", "it",
    /* 71 */ "Felder", "Fields", "fr", "es", "it",
    /* 72 */ LgLatin1("Vorschaugr\xf6\xdf" "e"), "Thumbnail size", "fr", "es", "it",
};

// Action words (LgAct).
const char *const szactL[18 * LG_COLUMNS] = {
    /*  0 */ (LgLatin1("\xf6" "ffnen")), "open", "fr", "es", "it",
    /*  1 */ (LgLatin1("schlie\xdf" "en")), "close", "fr", "es", "it",
    /*  2 */ "sichern", "save", "fr", "es", "it",
    /*  3 */ "sichern als", "save as", "fr", "es", "it",
    /*  4 */ "umbennen", "rename", "fr", "es", "it",
    /*  5 */ "entfernen", "remove", "fr", "es", "it",
    /*  6 */ "schreibe", "write", "fr", "es", "it",
    /*  7 */ "existiert", "exist", "fr", "es", "it",
    /*  8 */ "lese", "read", "fr", "es", "it",
    /*  9 */ "setzen", "set", "fr", "es", "it",
    /* 10 */ "anlegen", "create", "fr", "es", "it",
    /* 11 */ "zugreifen", "access", "fr", "es", "it",
    /* 12 */ LgLatin1("\xe4ndern"), "modify", "fr", "es", "it",
    /* 13 */ "wechseln", "change", "fr", "es", "it",
    /* 14 */ "zeichnen", "paint", "fr", "es", "it",
    /* 15 */ "bearbeiten", "edit", "fr", "es", "it",
    /* 16 */ LgLatin1("hinzuf\xfcgen"), "add", "fr", "es", "it",
    /* 17 */ LgLatin1("alle hinzuf\xfcgen"), "add all", "fr", "es", "it",
};

// Error texts (LgErr); rows with "#" in German are reserved.
const char *const szerrL[53 * LG_COLUMNS] = {
    /*  0 */ "Zu wenig virtualler Speicher", "The virtual memory is exhausted.", "fr", "es", "it",
    /*  1 */ (LgLatin1("Kann nicht \xf6" "ffnen")), "Cannot open", "fr", "es", "it",
    /*  2 */ "Kann nicht lesen", "Cannot read", "fr", "es", "it",
    /*  3 */ "Kann nicht speichern", "Cannot save", "fr", "es", "it",
    /*  4 */ (LgLatin1("Kann nicht schlie\xdf" "en")), "Cannot close", "fr", "es", "it",
    /*  5 */ "Kann nicht anlegen", "Cannot create", "fr", "es", "it",
    /*  6 */ "Kann nicht schreiben", "Cannot write", "fr", "es", "it",
    /*  7 */ "Kann nicht entfernen", "Cannot remove", "fr", "es", "it",
    /*  8 */ "Kann nicht finden", "Cannot find", "fr", "es", "it",
    /*  9 */ "Kann nicht binden", "Cannot bind", "fr", "es", "it",
    /* 10 */ LgLatin1("Bild: H\xf6he oder Weite ist fehlerhaft"), "Image: width or height is not correct.", "fr", "es", "it",
    /* 11 */ LgLatin1("Diese Dateiformat wird nicht unterst\xfctzt"), "File format is not supported", "fr", "es", "it",
    /* 12 */ LgLatin1("Daten sind fehlerhaft oder unvollst\xe4ndig"), "Data have error's", "fr", "es", "it",
    /* 13 */ "Datei wurde nicht gefunden", "File not found", "fr", "es", "it",
    /* 14 */ "Diese Datei existiert bereits", "File exists", "fr", "es", "it",
    /* 15 */ "Kann nicht umbennen", "Cannot rename", "fr", "es", "it",
    /* 16 */ "Kann nicht abbrechen", "Cannot breaking off", "fr", "es", "it",
    /* 17 */ "Kann nicht verbinden", "Cannot join", "fr", "es", "it",
    /* 18 */ "#", "image", "fr", "es", "it",
    /* 19 */ "#", "image", "fr", "es", "it",
    /* 20 */ "#", "image", "fr", "es", "it",
    /* 21 */ LgLatin1("Die Datei ist defekt oder ung\xfcltig."), "File is damage or invalid.", "fr", "es", "it",
    /* 22 */ "Zu viele Farben oder falsches Format", "To many colors or false format.", "fr", "es", "it",
    /* 23 */ "kein Bild in dieser DICOM-Datei", "no image in this DICOM file", "fr", "es", "it",
    /* 24 */ "24#", "24file", "fr", "es", "it",
    /* 25 */ "25#", "25file", "fr", "es", "it",
    /* 26 */ "26#", "26file", "fr", "es", "it",
    /* 27 */ "27#", "27file", "fr", "es", "it",
    /* 28 */ "28#", "28file", "fr", "es", "it",
    /* 29 */ "29#", "29file", "fr", "es", "it",
    /* 30 */ "#", "file", "fr", "es", "it",
    /* 31 */ "#", "file", "fr", "es", "it",
    /* 32 */ "#", "file", "fr", "es", "it",
    /* 33 */ "#", "file", "fr", "es", "it",
    /* 34 */ "#", "file", "fr", "es", "it",
    /* 35 */ "#", "file", "fr", "es", "it",
    /* 36 */ "#", "file", "fr", "es", "it",
    /* 37 */ "#", "file", "fr", "es", "it",
    /* 38 */ "#", "file", "fr", "es", "it",
    /* 39 */ "#", "file", "fr", "es", "it",
    /* 40 */ LgLatin1("Weniger als 255 Farben werden nicht unterst\xfctzt."), "Up 255 colors is support.", "fr", "es", "it",
    /* 41 */ LgLatin1("Ist nicht verf\xfcgbar."), "Is not available", "fr", "es", "it",
    /* 42 */ LgLatin1("Nichts ge\xe4ndert, die Datei bleibt wie sie ist"), "Nothing changed, the file stays as it is", "fr", "es", "it",
    /* 43 */ "diese Datei existiert nicht mehr", "this file no longer exists", "fr", "es", "it",
    /* 44 */ "dieses Verzeichnis darf nicht gelesen werden", "this directory may not be read", "fr", "es", "it",
    /* 45 */ "keine JPEG- oder DICOM-Datei", "not a JPEG or DICOM file", "fr", "es", "it",
    /* 46 */ "leere Datei", "empty file", "fr", "es", "it",
    /* 47 */ "#", "file", "fr", "es", "it",
    /* 48 */ "#", "file", "fr", "es", "it",
    /* 49 */ "#", "file", "fr", "es", "it",
    /* 50 */ "Dialog: Werte ?", "Dialog: Value ?", "fr", "es", "it",
    /* 51 */ (LgLatin1("\xfc" "bergebene Werte sind falsch")), "Value for this operation is false", "fr", "es", "it",
    /* 52 */ LgLatin1("besch\xe4" "digte oder nicht lesbare Bilddaten"), "damaged or unreadable image data", "fr", "es", "it",
};

// Warning questions (LgWarn).
const char *const szwarnL[5 * LG_COLUMNS] = {
    /*  0 */ (LgLatin1("M\xf6" "chten Sie wirklich beenden ?")), "You want really exit ?", "fr", "es", "it",
    /*  1 */ LgLatin1("Diese Datei wurde ge\xe4ndert.\n\nSoll die Datei gesichert werden ?"), "The file has been modified.\n\nSave now ?", "fr", "es", "it",
    /*  2 */ "Diese Datei entfernen ?", "You want this file remove ?", "fr", "es", "it",
    /*  3 */ (LgLatin1("Diese Datei existiert bereits.\n\nSoll die Datei \xfc" "berschrieben werden?")), "You want this file overwrite ?", "fr", "es", "it",
    /*  4 */ "Dieses Verzeichnis entfernen ?", "You want this directory remove ?", "fr", "es", "it",
};

// Message-box titles by box type (LgBoxTitel).
const char *const szboxtitelL[8 * LG_COLUMNS] = {
    /*  0 */ (" "), (" "), "fr", "es", "it",
    /*  1 */ "Warnung", "Warning", "fr", "es", "it",
    /*  2 */ "Fehler", "Error", "fr", "es", "it",
    /*  3 */ "Frage", "Question", "fr", "es", "it",
    /*  4 */ "Frage", "Question", "fr", "es", "it",
    /*  5 */ "Frage", "Question", "fr", "es", "it",
    /*  6 */ "Information", "Information", "fr", "es", "it",
    /*  7 */ "Status", "Status", "fr", "es", "it",
};

// Album notebook pages.
const char *const sznbalbumL[6 * LG_COLUMNS] = {
    /*  0 */ "Album", "Album", "fr", "es", "it",
    /*  1 */ "Details", "Details", "fr", "es", "it",
    /*  2 */ LgLatin1("hinzuf\xfcgen"), "add", "fr", "es", "it",
    /*  3 */ "bearbeiten", "edit", "fr", "es", "it",
    /*  4 */ "entfernen", "remove", "fr", "es", "it",
    /*  5 */ "Setup", "Setup", "fr", "es", "it",
};

const char *const szoptionprogL[5 * LG_COLUMNS] = {
    /*  0 */ LgLatin1("Best\xe4tigung"), "Confirmation", "fr", "es", "it",
    /*  1 */ "Info", "Info", "fr", "es", "it",
    /*  2 */ "Fenster", "Window", "fr", "es", "it",
    /*  3 */ "Farben/Schrift", "Color/Font", "fr", "es", "it",
    /*  4 */ "Dicom", "Dicom", "fr", "es", "it",
};

const char *const szoptionprogaskL[5 * LG_COLUMNS] = {
    /*  0 */ (LgLatin1("Datei \xfc" "berschreiben, wenn sie existiert")), "file overwrite when exist", "fr", "es", "it",
    /*  1 */ "Datei entfernen", "file remove", "fr", "es", "it",
    /*  2 */ "Programm beenden", "program exit", "fr", "es", "it",
    /*  3 */ LgLatin1("gro\xdf" "e Bilder einpassen"), "fit large pictures", "fr", "es", "it",
    /*  4 */ "Fotos nach Exif aufrichten", "turn photos upright (Exif)", "fr", "es", "it",
};

const char *const szoptionproginfoL[2 * LG_COLUMNS] = {
    /*  0 */ "Dateiinformation im Fenster", "file info in window", "fr", "es", "it",
    /*  1 */ LgLatin1("Tip f\xfcr Symbolbutton"), "use symbol button hint", "fr", "es", "it",
};

const char *const szoptionprogwindowL[3 * LG_COLUMNS] = {
    /*  0 */ "im internen Fenster", "in intern Window", "fr", "es", "it",
    /*  1 */ "im gleichem externen Fenster", "in extern same Window", "fr", "es", "it",
    /*  2 */ "im externen Fenster", "in extern Window", "fr", "es", "it",
};

const char *const szoptionproglangL[2 * LG_COLUMNS] = {
    /*  0 */ "deutsch", "german", "fr", "es", "it",
    /*  1 */ "englisch", "english", "fr", "es", "it",
};

const char *const szoptionprogmouseL[3 * LG_COLUMNS] = {
    /*  0 */ "Maustaste 1", "Mousebutton 1", "fr", "es", "it",
    /*  1 */ "Maustaste 2", "Mousebutton 2", "fr", "es", "it",
    /*  2 */ "Maustaste 3", "Mousebutton 3", "fr", "es", "it",
};

// The window DICOM pictures open with (DicomWindow 0, 1, 2); row 3 titles the group.
const char *const szoptiondicomwindowL[4 * LG_COLUMNS] = {
    /*  0 */ "Minimum bis Maximum", "minimum to maximum", "fr", "es", "it",
    /*  1 */ "Fenster der Datei", "the file's window", "fr", "es", "it",
    /*  2 */ "Hounsfield-Bereich", "Hounsfield range", "fr", "es", "it",
    /*  3 */ LgLatin1("Fenster beim \xd6" "ffnen"), "Window on opening", "fr", "es", "it",
};

const char *const mainmenuL[7 * LG_COLUMNS] = {
    /*  0 */ "Datei", "File", " ", " ", " ",
    /*  1 */ "Bearbeiten", "Edit", " ", " ", " ",
    /*  2 */ "Ansicht", "View", " ", " ", " ",
    /*  3 */ "Album", "Album", " ", " ", " ",
    /*  4 */ "Optionen", "Options", " ", " ", " ",
    /*  5 */ "Fenster", "Windows", " ", " ", " ",
    /*  6 */ "Hilfe", "Help", " ", " ", " ",
};

const char *const mainfileL[9 * LG_COLUMNS] = {
    /*  0 */ (LgLatin1("\xd6" "ffnen")), "Open", " ", " ", " ",
    /*  1 */ (LgLatin1("\xd6" "ffnen vorher")), "Open Previous", " ", " ", " ",
    /*  2 */ (LgLatin1("Aus Archiv \xf6" "ffnen...")), "Open from archive...", " ", " ", " ",
    /*  3 */ "Sichern", "Save", " ", " ", " ",
    /*  4 */ "Sichern als", "SaveAs", " ", " ", " ",
    /*  5 */ (LgLatin1("Schlie\xdf" "en")), "Close", " ", " ", " ",
    /*  6 */ "Drucken", "Print", " ", " ", " ",
    /*  7 */ "#", "#", " ", " ", " ",
    /*  8 */ "Beenden", "Exit", " ", " ", " ",
};

const char *const maineditL[3 * LG_COLUMNS] = {
    /*  0 */ (LgLatin1("Zur\xfc" "ck")), "Undo", " ", " ", " ",
    /*  1 */ "Auschneiden", "Cut", " ", " ", " ",
    /*  2 */ LgLatin1("Einf\xfcgen"), "Paste", " ", " ", " ",
};

const char *const mainviewL[8 * LG_COLUMNS] = {
    /*  0 */ "Zoom +", "Zoom +", " ", " ", " ",
    /*  1 */ "Zoom -", "Zoom -", " ", " ", " ",
    /*  2 */ "Original", "Original", " ", " ", " ",
    /*  3 */ "Links drehen", "Rotate left", " ", " ", " ",
    /*  4 */ "Rechts drehen", "Rotate right", " ", " ", " ",
    /*  5 */ "Horizontal spiegeln", "Flip horizontal", " ", " ", " ",
    /*  6 */ "Vertikal spiegeln", "Flip vertical", " ", " ", " ",
    /*  7 */ "DICOM-Kopfdaten", "DICOM header", " ", " ", " ",
};

const char *const mainalbumL[1 * LG_COLUMNS] = {
    /*  0 */ (LgLatin1("\xd6" "ffen")), "Open", " ", " ", " ",
};

const char *const mainoptionL[1 * LG_COLUMNS] = {
    /*  0 */ "Programm", "Program", " ", " ", " ",
};

const char *const mainwindowL[2 * LG_COLUMNS] = {
    /*  0 */ "Symbolleiste", "Symbol", " ", " ", " ",
    /*  1 */ "DICOM", "DICOM", " ", " ", " ",
};

const char *const mainhelpL[2 * LG_COLUMNS] = {
    /*  0 */ "Hilfe", "Help", " ", " ", " ",
    /*  1 */ (LgLatin1("Info \xfc" "ber ..")), "About", " ", " ", " ",
};

const char *const menupaintbtn3L[3 * LG_COLUMNS] = {
    /*  0 */ (LgLatin1("Datei: \xd6" "ffnen")), "File: Open", " ", " ", " ",
    /*  1 */ "Datei: Umbennen", "File: Rename", " ", " ", " ",
    /*  2 */ "Datei: Entfernen", "File: Remove", " ", " ", " ",
};

const char *const paintfileL[4 * LG_COLUMNS] = {
    /*  0 */ "Sichern", "Save", " ", " ", " ",
    /*  1 */ "Sichern als", "SaveAs", " ", " ", " ",
    /*  2 */ "Bearbeiten", "Edit", " ", " ", " ",
    /*  3 */ "Ansicht", "View", " ", " ", " ",
};

const char *const menusortfileL[4 * LG_COLUMNS] = {
    /*  0 */ "Name", "Name", " ", " ", " ",
    /*  1 */ "Typ", "Typ", " ", " ", " ",
    /*  2 */ (LgLatin1("Gr\xf6\xdf" "e")), "Size", " ", " ", " ",
    /*  3 */ "Datum", "Date", " ", " ", " ",
};

const char *const menufileboxbtn3L[7 * LG_COLUMNS] = {
    /*  0 */ "Umbennen", "Rename", " ", " ", " ",
    /*  1 */ "Entfernen", "Remove", " ", " ", " ",
    /*  2 */ "Eigenschaften", "Property", " ", " ", " ",
    /*  3 */ "Sortieren", "Sort", " ", " ", " ",
    /*  4 */ "#", "#", " ", " ", " ",
    /*  5 */ "neues Verzeichnis", "new Directory", " ", " ", " ",
    /*  6 */ "Verzeichnisvorschau", "Directory as Preview", " ", " ", " ",
};
// clang-format on

const char *const file_ext[12] = {"*",     "*",    "JPEG",  ".jpg", "BMP", ".bmp",
                                  "TARGA", ".tga", "DICOM", ".dcm", "*.*", ".*"};
const char *const album_ext[4] = {"ALBUM", ".alb", "*.*", ".*"};

// Run-time label arrays: one column of their source tables.
const char **szNB_ALBUM = nullptr;
const char **szOPTIONPROG = nullptr;
const char **szOPTIONPROGASK = nullptr;
const char **szOPTIONPROGINFO = nullptr;
const char **szOPTIONPROGWINDOW = nullptr;
const char **szOPTIONPROGLANG = nullptr;
const char **szOPTIONPROGMOUSE = nullptr;
const char **szOPTIONDICOMWINDOW = nullptr;

namespace {

struct LabelArray {
    const char ***array;
    int entries;
    const char *const *table;
};

const LabelArray labelArrays[] = {
    {&szNB_ALBUM, 6, sznbalbumL},
    {&szOPTIONPROG, 5, szoptionprogL},
    {&szOPTIONPROGASK, 5, szoptionprogaskL},
    {&szOPTIONPROGINFO, 2, szoptionproginfoL},
    {&szOPTIONPROGWINDOW, 3, szoptionprogwindowL},
    {&szOPTIONPROGLANG, 2, szoptionproglangL},
    {&szOPTIONPROGMOUSE, 3, szoptionprogmouseL},
    {&szOPTIONDICOMWINDOW, 4, szoptiondicomwindowL},
};

} // namespace

int LanguageLabelMemInit() {
    LG_DEFAULT = 1;
    for (const LabelArray &la : labelArrays)
        *la.array = nullptr;
    for (const LabelArray &la : labelArrays) {
        void *p = MemCreate(static_cast<long>(sizeof(const char *)) * la.entries, "res_lang");
        if (!p) return -8;
        *la.array = static_cast<const char **>(p);
    }
    LanguageLabelInit(1);
    return 0;
}

int LanguageLabelInit(int language) {
    if (language < 0 || language >= LG_COLUMNS) return -15;
    for (const LabelArray &la : labelArrays) {
        if (!*la.array) continue;
        for (int row = 0; row < la.entries; row++)
            (*la.array)[row] = la.table[row * LG_COLUMNS + language];
    }
    return 0;
}

int LanguageLabelMemDestroy() {
    for (const LabelArray &la : labelArrays) {
        if (!*la.array) continue;
        MemFree(static_cast<void *>(*la.array), "res_lang");
        *la.array = nullptr;
    }
    return 0;
}
