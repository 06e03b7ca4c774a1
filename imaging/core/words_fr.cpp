// The built-in French dialog words, in the order of TMsgLanguageWords (UTF-8).
#include "imaging/core/words.h"

namespace kx {

const TKXWordTable kxWordsFrench = {
    "Aperçu",                                 // KXMSG_PREVIEW
    "Source",                                 // KXMSG_SOURCE
    "Résultat",                               // KXMSG_RESULT
    "OK",                                     // KXMSG_OK
    "Annuler",                                // KXMSG_CANCEL
    "Verrouiller l'aperçu",                   // KXMSG_LOCKPREVIEW
    "Copier le résultat vers la source",      // KXMSG_COPYRESULTTOSOURCE
    "Contraste",                              // KXMSG_CONTRAST
    "Luminosité",                             // KXMSG_BRIGHTNESS
    "Teinte",                                 // KXMSG_HUE
    "Saturation",                             // KXMSG_SATURATION
    "Valeur",                                 // KXMSG_VALUE
    "Couleur de base",                        // KXMSG_BASECOLOR
    "Nouvelle couleur",                       // KXMSG_NEWCOLOR
    "Luminance",                              // KXMSG_LUMINOSITY
    "Rouge",                                  // KXMSG_RED
    "Vert",                                   // KXMSG_GREEN
    "Bleu",                                   // KXMSG_BLUE
    "Valeurs du filtre",                      // KXMSG_FILTERVALUES
    "Préréglages",                            // KXMSG_PRESETS
    "Diviseur",                               // KXMSG_DIVISOR
    "Charger",                                // KXMSG_LOAD
    "Enregistrer",                            // KXMSG_SAVE
    "Égalisation",                            // KXMSG_EQUALIZATION
    "Seuil",                                  // KXMSG_THRESHOLD
    "Égaliser",                               // KXMSG_EQUALIZE
    "Histogramme",                            // KXMSG_HISTOGRAM
    "Gris",                                   // KXMSG_GRAY
    "Lumière",                                // KXMSG_LIGHT
    "Gauche",                                 // KXMSG_LEFT
    "Haut",                                   // KXMSG_TOP
    "Largeur",                                // KXMSG_WIDTH
    "Hauteur",                                // KXMSG_HEIGHT
    "Couleur",                                // KXMSG_COLOR
    "Quantité d'image source",                // KXMSG_SOURCEIMAGEQUANTITY
    "Lentille",                               // KXMSG_LENS
    "Réfraction",                             // KXMSG_REFRACTION
    "Aperçu des paramètres",                  // KXMSG_PARAMETERSPREVIEW
    "Qualité",                                // KXMSG_QUALITY
    "Méthode DCT",                            // KXMSG_DCTMETHOD
    "Facteur de lissage",                     // KXMSG_SMOOTHINGFACTOR
    "Niveaux de gris",                        // KXMSG_GRAYSCALE
    "Huffman optimal",                        // KXMSG_OPTIMALHUFFMAN
    "Taille d'origine",                       // KXMSG_ORIGINALSIZE
    "Taille compressée",                      // KXMSG_COMPRESSEDSIZE
    "Avancé",                                 // KXMSG_ADVANCED
    "Progressif",                             // KXMSG_PROGRESSIVE
    "Compression",                            // KXMSG_COMPRESSION
    "Index de l'image",                       // KXMSG_IMAGEINDEX
    "Photométrique",                          // KXMSG_PHOTOMETRIC
    "Informations sur le document numérisé",  // KXMSG_SCANNDEDDOCUMENTINFO
    "Nom",                                    // KXMSG_NAME
    "Description",                            // KXMSG_DESCRIPTION
    "Nom de la page",                         // KXMSG_PAGENAME
    "Numéro de page",                         // KXMSG_PAGENUMBER
    "sur",                                    // KXMSG_OF
    "Position horiz. (pouces)",               // KXMSG_HORIZPOSITIONINCH
    "Position vert. (pouces)",                // KXMSG_VERTPOSITIONINCH
    "Couleurs",                               // KXMSG_COLORS
    "Transparent",                            // KXMSG_TRANSPARENT
    "Couleur transparente",                   // KXMSG_TRANSPARENTCOLOR
    "Entrelacé",                              // KXMSG_INTERLACED
    "Arrière-plan",                           // KXMSG_BACKGROUND
    "Position horiz.",                        // KXMSG_HORIZPOSITION
    "Position vert.",                         // KXMSG_VERTPOSITION
    "Délai",                                  // KXMSG_DELAYTIME
    "Filtre",                                 // KXMSG_FILTER
    "Onde",                                   // KXMSG_WAVE
    "Amplitude",                              // KXMSG_AMPLITUDE
    "Longueur d'onde",                        // KXMSG_WAVELENGTH
    "Phase",                                  // KXMSG_PHASE
    "Réfléchissant",                          // KXMSG_REFLECTIVE
    "Filtre utilisateur",                     // KXMSG_USERFILTER
    "Filtres morphologiques",                 // KXMSG_MORPHFILTER
    "Taille de la fenêtre",                   // KXMSG_WINDOWSIZE
    "Maximum",                                // KXMSG_MAXIMUM
    "Minimum",                                // KXMSG_MINIMUM
    "Ouverture",                              // KXMSG_OPEN
    "Fermeture",                              // KXMSG_CLOSE
    "Rotation",                               // KXMSG_ROTATE
    "Retourner",                              // KXMSG_FLIP
    "Horizontal",                             // KXMSG_FLIPHOR
    "Vertical",                               // KXMSG_FLIPVER
    "Image dans le domaine fréquentiel",      // KXMSG_FREQUENCYDOMAINIMAGE
    "Sélectionnez la région à nettoyer",      // KXMSG_SELECTTHEREGIONTOCLEAR
    "Effacer",                                // KXMSG_CLEAR
    "Réinitialiser",                          // KXMSG_RESET
};

}  // namespace kx
