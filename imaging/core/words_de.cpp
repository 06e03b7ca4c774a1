// The built-in German dialog words, in the order of TMsgLanguageWords (UTF-8).
#include "imaging/core/words.h"

namespace kx {

const TKXWordTable kxWordsGerman = {
    "Vorschau",                          // KXMSG_PREVIEW
    "Quelle",                            // KXMSG_SOURCE
    "Ergebnis",                          // KXMSG_RESULT
    "OK",                                // KXMSG_OK
    "Abbrechen",                         // KXMSG_CANCEL
    "Vorschau sperren",                  // KXMSG_LOCKPREVIEW
    "Ergebnis in Quelle kopieren",       // KXMSG_COPYRESULTTOSOURCE
    "Kontrast",                          // KXMSG_CONTRAST
    "Helligkeit",                        // KXMSG_BRIGHTNESS
    "Farbton",                           // KXMSG_HUE
    "Sättigung",                         // KXMSG_SATURATION
    "Wert",                              // KXMSG_VALUE
    "Grundfarbe",                        // KXMSG_BASECOLOR
    "Neue Farbe",                        // KXMSG_NEWCOLOR
    "Luminanz",                          // KXMSG_LUMINOSITY
    "Rot",                               // KXMSG_RED
    "Grün",                              // KXMSG_GREEN
    "Blau",                              // KXMSG_BLUE
    "Filterwerte",                       // KXMSG_FILTERVALUES
    "Voreinstellungen",                  // KXMSG_PRESETS
    "Teiler",                            // KXMSG_DIVISOR
    "Laden",                             // KXMSG_LOAD
    "Speichern",                         // KXMSG_SAVE
    "Tonwertausgleich",                  // KXMSG_EQUALIZATION
    "Schwellenwert",                     // KXMSG_THRESHOLD
    "Ausgleichen",                       // KXMSG_EQUALIZE
    "Histogramm",                        // KXMSG_HISTOGRAM
    "Grau",                              // KXMSG_GRAY
    "Licht",                             // KXMSG_LIGHT
    "Links",                             // KXMSG_LEFT
    "Oben",                              // KXMSG_TOP
    "Breite",                            // KXMSG_WIDTH
    "Höhe",                              // KXMSG_HEIGHT
    "Farbe",                             // KXMSG_COLOR
    "Anzahl der Quellbilder",            // KXMSG_SOURCEIMAGEQUANTITY
    "Linse",                             // KXMSG_LENS
    "Brechung",                          // KXMSG_REFRACTION
    "Parametervorschau",                 // KXMSG_PARAMETERSPREVIEW
    "Qualität",                          // KXMSG_QUALITY
    "DCT-Verfahren",                     // KXMSG_DCTMETHOD
    "Glättungsfaktor",                   // KXMSG_SMOOTHINGFACTOR
    "Graustufen",                        // KXMSG_GRAYSCALE
    "Optimales Huffman",                 // KXMSG_OPTIMALHUFFMAN
    "Originalgröße",                     // KXMSG_ORIGINALSIZE
    "Komprimierte Größe",                // KXMSG_COMPRESSEDSIZE
    "Erweitert",                         // KXMSG_ADVANCED
    "Progressiv",                        // KXMSG_PROGRESSIVE
    "Kompression",                       // KXMSG_COMPRESSION
    "Bildindex",                         // KXMSG_IMAGEINDEX
    "Photometrisch",                     // KXMSG_PHOTOMETRIC
    "Info zum gescannten Dokument",      // KXMSG_SCANNDEDDOCUMENTINFO
    "Name",                              // KXMSG_NAME
    "Beschreibung",                      // KXMSG_DESCRIPTION
    "Seitenname",                        // KXMSG_PAGENAME
    "Seitennummer",                      // KXMSG_PAGENUMBER
    "von",                               // KXMSG_OF
    "Horiz. Position (Zoll)",            // KXMSG_HORIZPOSITIONINCH
    "Vert. Position (Zoll)",             // KXMSG_VERTPOSITIONINCH
    "Farben",                            // KXMSG_COLORS
    "Transparent",                       // KXMSG_TRANSPARENT
    "Transparente Farbe",                // KXMSG_TRANSPARENTCOLOR
    "Zeilensprung",                      // KXMSG_INTERLACED
    "Hintergrund",                       // KXMSG_BACKGROUND
    "Horiz. Position",                   // KXMSG_HORIZPOSITION
    "Vert. Position",                    // KXMSG_VERTPOSITION
    "Verzögerung",                       // KXMSG_DELAYTIME
    "Filter",                            // KXMSG_FILTER
    "Welle",                             // KXMSG_WAVE
    "Amplitude",                         // KXMSG_AMPLITUDE
    "Wellenlänge",                       // KXMSG_WAVELENGTH
    "Phase",                             // KXMSG_PHASE
    "Spiegelnd",                         // KXMSG_REFLECTIVE
    "Benutzerfilter",                    // KXMSG_USERFILTER
    "Morphologische Filter",             // KXMSG_MORPHFILTER
    "Fenstergröße",                      // KXMSG_WINDOWSIZE
    "Maximum",                           // KXMSG_MAXIMUM
    "Minimum",                           // KXMSG_MINIMUM
    "Öffnung",                           // KXMSG_OPEN
    "Schließung",                        // KXMSG_CLOSE
    "Drehen",                            // KXMSG_ROTATE
    "Spiegeln",                          // KXMSG_FLIP
    "Horizontal",                        // KXMSG_FLIPHOR
    "Vertikal",                          // KXMSG_FLIPVER
    "Bild im Frequenzbereich",           // KXMSG_FREQUENCYDOMAINIMAGE
    "Bereich zum Bereinigen auswählen",  // KXMSG_SELECTTHEREGIONTOCLEAR
    "Löschen",                           // KXMSG_CLEAR
    "Zurücksetzen",                      // KXMSG_RESET
};

}  // namespace kx
