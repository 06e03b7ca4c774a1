// The built-in Italian dialog words, in the order of TMsgLanguageWords (UTF-8).
#include "imaging/core/words.h"

namespace kx {

const TKXWordTable kxWordsItalian = {
    "Anteprima",                             // KXMSG_PREVIEW
    "Sorgente",                              // KXMSG_SOURCE
    "Risultato",                             // KXMSG_RESULT
    "OK",                                    // KXMSG_OK
    "Annulla",                               // KXMSG_CANCEL
    "Blocca anteprima",                      // KXMSG_LOCKPREVIEW
    "Copia il risultato nella sorgente",     // KXMSG_COPYRESULTTOSOURCE
    "Contrasto",                             // KXMSG_CONTRAST
    "Luminosità",                            // KXMSG_BRIGHTNESS
    "Tonalità",                              // KXMSG_HUE
    "Saturazione",                           // KXMSG_SATURATION
    "Valore",                                // KXMSG_VALUE
    "Colore di base",                        // KXMSG_BASECOLOR
    "Nuovo colore",                          // KXMSG_NEWCOLOR
    "Luminanza",                             // KXMSG_LUMINOSITY
    "Rosso",                                 // KXMSG_RED
    "Verde",                                 // KXMSG_GREEN
    "Blu",                                   // KXMSG_BLUE
    "Valori del filtro",                     // KXMSG_FILTERVALUES
    "Predefiniti",                           // KXMSG_PRESETS
    "Divisore",                              // KXMSG_DIVISOR
    "Carica",                                // KXMSG_LOAD
    "Salva",                                 // KXMSG_SAVE
    "Equalizzazione",                        // KXMSG_EQUALIZATION
    "Soglia",                                // KXMSG_THRESHOLD
    "Equalizza",                             // KXMSG_EQUALIZE
    "Istogramma",                            // KXMSG_HISTOGRAM
    "Grigio",                                // KXMSG_GRAY
    "Luce",                                  // KXMSG_LIGHT
    "Sinistra",                              // KXMSG_LEFT
    "Alto",                                  // KXMSG_TOP
    "Larghezza",                             // KXMSG_WIDTH
    "Altezza",                               // KXMSG_HEIGHT
    "Colore",                                // KXMSG_COLOR
    "Quantità immagine sorgente",            // KXMSG_SOURCEIMAGEQUANTITY
    "Lente",                                 // KXMSG_LENS
    "Rifrazione",                            // KXMSG_REFRACTION
    "Anteprima parametri",                   // KXMSG_PARAMETERSPREVIEW
    "Qualità",                               // KXMSG_QUALITY
    "Metodo DCT",                            // KXMSG_DCTMETHOD
    "Fattore di smussatura",                 // KXMSG_SMOOTHINGFACTOR
    "Scala di grigi",                        // KXMSG_GRAYSCALE
    "Huffman ottimale",                      // KXMSG_OPTIMALHUFFMAN
    "Dimensione originale",                  // KXMSG_ORIGINALSIZE
    "Dimensione compressa",                  // KXMSG_COMPRESSEDSIZE
    "Avanzate",                              // KXMSG_ADVANCED
    "Progressivo",                           // KXMSG_PROGRESSIVE
    "Compressione",                          // KXMSG_COMPRESSION
    "Indice immagine",                       // KXMSG_IMAGEINDEX
    "Fotometrico",                           // KXMSG_PHOTOMETRIC
    "Informazioni documento acquisito",      // KXMSG_SCANNDEDDOCUMENTINFO
    "Nome",                                  // KXMSG_NAME
    "Descrizione",                           // KXMSG_DESCRIPTION
    "Nome pagina",                           // KXMSG_PAGENAME
    "Numero pagina",                         // KXMSG_PAGENUMBER
    "di",                                    // KXMSG_OF
    "Posiz. orizz. (pollici)",               // KXMSG_HORIZPOSITIONINCH
    "Posiz. vert. (pollici)",                // KXMSG_VERTPOSITIONINCH
    "Colori",                                // KXMSG_COLORS
    "Trasparente",                           // KXMSG_TRANSPARENT
    "Colore trasparente",                    // KXMSG_TRANSPARENTCOLOR
    "Interlacciato",                         // KXMSG_INTERLACED
    "Sfondo",                                // KXMSG_BACKGROUND
    "Posiz. orizz.",                         // KXMSG_HORIZPOSITION
    "Posiz. vert.",                          // KXMSG_VERTPOSITION
    "Tempo di ritardo",                      // KXMSG_DELAYTIME
    "Filtro",                                // KXMSG_FILTER
    "Onda",                                  // KXMSG_WAVE
    "Ampiezza",                              // KXMSG_AMPLITUDE
    "Lunghezza d'onda",                      // KXMSG_WAVELENGTH
    "Fase",                                  // KXMSG_PHASE
    "Riflettente",                           // KXMSG_REFLECTIVE
    "Filtro utente",                         // KXMSG_USERFILTER
    "Filtri morfologici",                    // KXMSG_MORPHFILTER
    "Dimensione finestra",                   // KXMSG_WINDOWSIZE
    "Massimo",                               // KXMSG_MAXIMUM
    "Minimo",                                // KXMSG_MINIMUM
    "Apertura",                              // KXMSG_OPEN
    "Chiusura",                              // KXMSG_CLOSE
    "Ruota",                                 // KXMSG_ROTATE
    "Capovolgi",                             // KXMSG_FLIP
    "Orizzontale",                           // KXMSG_FLIPHOR
    "Verticale",                             // KXMSG_FLIPVER
    "Immagine nel dominio della frequenza",  // KXMSG_FREQUENCYDOMAINIMAGE
    "Seleziona la regione da pulire",        // KXMSG_SELECTTHEREGIONTOCLEAR
    "Cancella",                              // KXMSG_CLEAR
    "Reimposta",                             // KXMSG_RESET
};

}  // namespace kx
