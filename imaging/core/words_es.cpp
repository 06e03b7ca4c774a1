// The built-in Spanish dialog words, in the order of TMsgLanguageWords (UTF-8).
#include "imaging/core/words.h"

namespace kx {

const TKXWordTable kxWordsSpanish = {
    "Vista previa",                            // KXMSG_PREVIEW
    "Origen",                                  // KXMSG_SOURCE
    "Resultado",                               // KXMSG_RESULT
    "Aceptar",                                 // KXMSG_OK
    "Cancelar",                                // KXMSG_CANCEL
    "Bloquear vista previa",                   // KXMSG_LOCKPREVIEW
    "Copiar resultado en origen",              // KXMSG_COPYRESULTTOSOURCE
    "Contraste",                               // KXMSG_CONTRAST
    "Brillo",                                  // KXMSG_BRIGHTNESS
    "Tono",                                    // KXMSG_HUE
    "Saturación",                              // KXMSG_SATURATION
    "Valor",                                   // KXMSG_VALUE
    "Color base",                              // KXMSG_BASECOLOR
    "Color nuevo",                             // KXMSG_NEWCOLOR
    "Luminosidad",                             // KXMSG_LUMINOSITY
    "Rojo",                                    // KXMSG_RED
    "Verde",                                   // KXMSG_GREEN
    "Azul",                                    // KXMSG_BLUE
    "Valores del filtro",                      // KXMSG_FILTERVALUES
    "Valores predefinidos",                    // KXMSG_PRESETS
    "Divisor",                                 // KXMSG_DIVISOR
    "Cargar",                                  // KXMSG_LOAD
    "Guardar",                                 // KXMSG_SAVE
    "Ecualización",                            // KXMSG_EQUALIZATION
    "Umbral",                                  // KXMSG_THRESHOLD
    "Ecualizar",                               // KXMSG_EQUALIZE
    "Histograma",                              // KXMSG_HISTOGRAM
    "Gris",                                    // KXMSG_GRAY
    "Luz",                                     // KXMSG_LIGHT
    "Izquierda",                               // KXMSG_LEFT
    "Arriba",                                  // KXMSG_TOP
    "Ancho",                                   // KXMSG_WIDTH
    "Alto",                                    // KXMSG_HEIGHT
    "Color",                                   // KXMSG_COLOR
    "Cantidad de imagen de origen",            // KXMSG_SOURCEIMAGEQUANTITY
    "Lente",                                   // KXMSG_LENS
    "Refracción",                              // KXMSG_REFRACTION
    "Vista previa de parámetros",              // KXMSG_PARAMETERSPREVIEW
    "Calidad",                                 // KXMSG_QUALITY
    "Método DCT",                              // KXMSG_DCTMETHOD
    "Factor de suavizado",                     // KXMSG_SMOOTHINGFACTOR
    "Escala de grises",                        // KXMSG_GRAYSCALE
    "Huffman óptimo",                          // KXMSG_OPTIMALHUFFMAN
    "Tamaño original",                         // KXMSG_ORIGINALSIZE
    "Tamaño comprimido",                       // KXMSG_COMPRESSEDSIZE
    "Avanzado",                                // KXMSG_ADVANCED
    "Progresivo",                              // KXMSG_PROGRESSIVE
    "Compresión",                              // KXMSG_COMPRESSION
    "Índice de imagen",                        // KXMSG_IMAGEINDEX
    "Fotométrico",                             // KXMSG_PHOTOMETRIC
    "Información del documento escaneado",     // KXMSG_SCANNDEDDOCUMENTINFO
    "Nombre",                                  // KXMSG_NAME
    "Descripción",                             // KXMSG_DESCRIPTION
    "Nombre de página",                        // KXMSG_PAGENAME
    "Número de página",                        // KXMSG_PAGENUMBER
    "de",                                      // KXMSG_OF
    "Posición horiz. (pulgadas)",              // KXMSG_HORIZPOSITIONINCH
    "Posición vert. (pulgadas)",               // KXMSG_VERTPOSITIONINCH
    "Colores",                                 // KXMSG_COLORS
    "Transparente",                            // KXMSG_TRANSPARENT
    "Color transparente",                      // KXMSG_TRANSPARENTCOLOR
    "Entrelazado",                             // KXMSG_INTERLACED
    "Fondo",                                   // KXMSG_BACKGROUND
    "Posición horiz.",                         // KXMSG_HORIZPOSITION
    "Posición vert.",                          // KXMSG_VERTPOSITION
    "Tiempo de retardo",                       // KXMSG_DELAYTIME
    "Filtro",                                  // KXMSG_FILTER
    "Onda",                                    // KXMSG_WAVE
    "Amplitud",                                // KXMSG_AMPLITUDE
    "Longitud de onda",                        // KXMSG_WAVELENGTH
    "Fase",                                    // KXMSG_PHASE
    "Reflectante",                             // KXMSG_REFLECTIVE
    "Filtro de usuario",                       // KXMSG_USERFILTER
    "Filtros morfológicos",                    // KXMSG_MORPHFILTER
    "Tamaño de ventana",                       // KXMSG_WINDOWSIZE
    "Máximo",                                  // KXMSG_MAXIMUM
    "Mínimo",                                  // KXMSG_MINIMUM
    "Apertura",                                // KXMSG_OPEN
    "Cierre",                                  // KXMSG_CLOSE
    "Girar",                                   // KXMSG_ROTATE
    "Voltear",                                 // KXMSG_FLIP
    "Horizontal",                              // KXMSG_FLIPHOR
    "Vertical",                                // KXMSG_FLIPVER
    "Imagen en el dominio de la frecuencia",   // KXMSG_FREQUENCYDOMAINIMAGE
    "Seleccione la región que desea limpiar",  // KXMSG_SELECTTHEREGIONTOCLEAR
    "Borrar",                                  // KXMSG_CLEAR
    "Restablecer",                             // KXMSG_RESET
};

}  // namespace kx
