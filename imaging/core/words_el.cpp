// The built-in Greek dialog words, in the order of TMsgLanguageWords (UTF-8).
#include "imaging/core/words.h"

namespace kx {

const TKXWordTable kxWordsGreek = {
    "Προεπισκόπηση",                       // KXMSG_PREVIEW
    "Πηγή",                                // KXMSG_SOURCE
    "Αποτέλεσμα",                          // KXMSG_RESULT
    "OK",                                  // KXMSG_OK
    "Άκυρο",                               // KXMSG_CANCEL
    "Κλείδωμα προεπισκόπησης",             // KXMSG_LOCKPREVIEW
    "Αντιγραφή αποτελέσματος στην πηγή",   // KXMSG_COPYRESULTTOSOURCE
    "Αντίθεση",                            // KXMSG_CONTRAST
    "Φωτεινότητα",                         // KXMSG_BRIGHTNESS
    "Απόχρωση",                            // KXMSG_HUE
    "Κορεσμός",                            // KXMSG_SATURATION
    "Τιμή",                                // KXMSG_VALUE
    "Βασικό χρώμα",                        // KXMSG_BASECOLOR
    "Νέο χρώμα",                           // KXMSG_NEWCOLOR
    "Λαμπρότητα",                          // KXMSG_LUMINOSITY
    "Κόκκινο",                             // KXMSG_RED
    "Πράσινο",                             // KXMSG_GREEN
    "Μπλε",                                // KXMSG_BLUE
    "Τιμές φίλτρου",                       // KXMSG_FILTERVALUES
    "Προεπιλογές",                         // KXMSG_PRESETS
    "Διαιρέτης",                           // KXMSG_DIVISOR
    "Φόρτωση",                             // KXMSG_LOAD
    "Αποθήκευση",                          // KXMSG_SAVE
    "Εξισορρόπηση",                        // KXMSG_EQUALIZATION
    "Κατώφλι",                             // KXMSG_THRESHOLD
    "Εξισορρόπησε",                        // KXMSG_EQUALIZE
    "Ιστόγραμμα",                          // KXMSG_HISTOGRAM
    "Γκρι",                                // KXMSG_GRAY
    "Φως",                                 // KXMSG_LIGHT
    "Αριστερά",                            // KXMSG_LEFT
    "Επάνω",                               // KXMSG_TOP
    "Πλάτος",                              // KXMSG_WIDTH
    "Ύψος",                                // KXMSG_HEIGHT
    "Χρώμα",                               // KXMSG_COLOR
    "Ποσότητα εικόνας πηγής",              // KXMSG_SOURCEIMAGEQUANTITY
    "Φακός",                               // KXMSG_LENS
    "Διάθλαση",                            // KXMSG_REFRACTION
    "Προεπισκόπηση παραμέτρων",            // KXMSG_PARAMETERSPREVIEW
    "Ποιότητα",                            // KXMSG_QUALITY
    "Μέθοδος DCT",                         // KXMSG_DCTMETHOD
    "Συντελεστής εξομάλυνσης",             // KXMSG_SMOOTHINGFACTOR
    "Κλίμακα του γκρι",                    // KXMSG_GRAYSCALE
    "Βέλτιστο Huffman",                    // KXMSG_OPTIMALHUFFMAN
    "Αρχικό μέγεθος",                      // KXMSG_ORIGINALSIZE
    "Συμπιεσμένο μέγεθος",                 // KXMSG_COMPRESSEDSIZE
    "Για προχωρημένους",                   // KXMSG_ADVANCED
    "Προοδευτική",                         // KXMSG_PROGRESSIVE
    "Συμπίεση",                            // KXMSG_COMPRESSION
    "Δείκτης εικόνας",                     // KXMSG_IMAGEINDEX
    "Φωτομετρικό",                         // KXMSG_PHOTOMETRIC
    "Πληροφορίες σαρωμένου εγγράφου",      // KXMSG_SCANNDEDDOCUMENTINFO
    "Όνομα",                               // KXMSG_NAME
    "Περιγραφή",                           // KXMSG_DESCRIPTION
    "Όνομα σελίδας",                       // KXMSG_PAGENAME
    "Αριθμός σελίδας",                     // KXMSG_PAGENUMBER
    "από",                                 // KXMSG_OF
    "Οριζ. θέση (ίντσες)",                 // KXMSG_HORIZPOSITIONINCH
    "Κάθ. θέση (ίντσες)",                  // KXMSG_VERTPOSITIONINCH
    "Χρώματα",                             // KXMSG_COLORS
    "Διαφανές",                            // KXMSG_TRANSPARENT
    "Διαφανές χρώμα",                      // KXMSG_TRANSPARENTCOLOR
    "Πεπλεγμένο",                          // KXMSG_INTERLACED
    "Φόντο",                               // KXMSG_BACKGROUND
    "Οριζ. θέση",                          // KXMSG_HORIZPOSITION
    "Κάθ. θέση",                           // KXMSG_VERTPOSITION
    "Χρόνος καθυστέρησης",                 // KXMSG_DELAYTIME
    "Φίλτρο",                              // KXMSG_FILTER
    "Κύμα",                                // KXMSG_WAVE
    "Πλάτος κύματος",                      // KXMSG_AMPLITUDE
    "Μήκος κύματος",                       // KXMSG_WAVELENGTH
    "Φάση",                                // KXMSG_PHASE
    "Ανακλαστικό",                         // KXMSG_REFLECTIVE
    "Φίλτρο χρήστη",                       // KXMSG_USERFILTER
    "Μορφολογικά φίλτρα",                  // KXMSG_MORPHFILTER
    "Μέγεθος παραθύρου",                   // KXMSG_WINDOWSIZE
    "Μέγιστο",                             // KXMSG_MAXIMUM
    "Ελάχιστο",                            // KXMSG_MINIMUM
    "Άνοιγμα",                             // KXMSG_OPEN
    "Κλείσιμο",                            // KXMSG_CLOSE
    "Περιστροφή",                          // KXMSG_ROTATE
    "Αναστροφή",                           // KXMSG_FLIP
    "Οριζόντια",                           // KXMSG_FLIPHOR
    "Κατακόρυφα",                          // KXMSG_FLIPVER
    "Εικόνα στο πεδίο συχνοτήτων",         // KXMSG_FREQUENCYDOMAINIMAGE
    "Επιλέξτε την περιοχή για καθαρισμό",  // KXMSG_SELECTTHEREGIONTOCLEAR
    "Καθαρισμός",                          // KXMSG_CLEAR
    "Επαναφορά",                           // KXMSG_RESET
};

}  // namespace kx
