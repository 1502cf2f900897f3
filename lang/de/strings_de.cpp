// German texts of the interpreter: error texts (id = error code + 2), messages and the
// module description.
#include <iterator>

#include "lang_module.h"

const LangString g_aLangStrings[] = {
    {1, "Unbekannter Fehler"},
    {2, "Interner Fehler"},
    {3, "Ungültiger Variablentyp"},
    {4, "Unerwartet"},
    {5, "Ungültiger Bezeichner"},
    {6, "Unbekannter Bezeichner"},
    {7, "Variable nicht initialisiert"},
    {8, "Ungültiger Parametertyp"},
    {9, "Ungültige Zuweisung"},
    {10, "Ungültiger Bezeichner"},
    {11, "Nicht implementiert"},
    {12, "Neudefinition"},
    {13, "Initialisierer erwartet"},
    {14, "Typen passen nicht zusammen"},
    {15, "Ausdruck erwartet"},
    {16, "Blockfehler"},
    {17, "fehlt"},
    {18, "Ungültiger Ausdruck"},
    {19, "Ungültiger Operand"},
    {20, "Ungültiger Operator"},
    {21, "Fehler bei der Umwandlung in einen Zahlenwert"},
    {22, "Zuweisung aus einer Methode ohne Rückgabewert"},
    {23, "Funktion ist nicht implementiert"},
    {24, "Fehler beim Öffnen der Skriptdatei"},
    {25, "Fehler beim Lesen der Skriptdatei"},
    {26, "Ungültige Größe angegeben"},
    {27, "Hier wird eine Variable benötigt"},
    {28, "Skriptverarbeitung vom Benutzer abgebrochen"},
    {29, "Fehler beim Erzeugen der IDispatch-Schnittstelle"},
    {30, "Bezeichner in der IDispatch-Schnittstelle unbekannt"},
    {31, "Anzahl der Parameter ist falsch"},
    {32, "Unbekannte Escape-Sequenz"},
    {33, "Unbekannte Direktive"},
    {34, "Direktive erwartet"},
    {35, "Methode liefert einen Text"},
    {36, "Methode liefert einen Zahlenwert"},
    {37, "Abbruch durch Exit-Aufruf"},
    {38, "Zeile zu lang (max. 32767 Zeichen)"},
    {101, "'%s' Start der Skriptverarbeitung - %s"},
    {102, "'%s' Ende der Skriptverarbeitung - %s"},
    {103, "Parameter"},
    {104, "Skriptfehler: "},
    {106, "Rückgabewert"},
    {57344, "Tarvik Skript-DLL"},
};

const std::size_t g_nLangStrings = std::size(g_aLangStrings);
