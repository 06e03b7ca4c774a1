// The built-in Portuguese dialog words, in the order of TMsgLanguageWords (UTF-8).
#include "imaging/core/words.h"

namespace kx {

const TKXWordTable kxWordsPortuguese = {
    "Pré-visualização",                      // KXMSG_PREVIEW
    "Origem",                                // KXMSG_SOURCE
    "Resultado",                             // KXMSG_RESULT
    "OK",                                    // KXMSG_OK
    "Cancelar",                              // KXMSG_CANCEL
    "Bloquear pré-visualização",             // KXMSG_LOCKPREVIEW
    "Copiar resultado para a origem",        // KXMSG_COPYRESULTTOSOURCE
    "Contraste",                             // KXMSG_CONTRAST
    "Brilho",                                // KXMSG_BRIGHTNESS
    "Matiz",                                 // KXMSG_HUE
    "Saturação",                             // KXMSG_SATURATION
    "Valor",                                 // KXMSG_VALUE
    "Cor base",                              // KXMSG_BASECOLOR
    "Nova cor",                              // KXMSG_NEWCOLOR
    "Luminosidade",                          // KXMSG_LUMINOSITY
    "Vermelho",                              // KXMSG_RED
    "Verde",                                 // KXMSG_GREEN
    "Azul",                                  // KXMSG_BLUE
    "Valores do filtro",                     // KXMSG_FILTERVALUES
    "Predefinições",                         // KXMSG_PRESETS
    "Divisor",                               // KXMSG_DIVISOR
    "Carregar",                              // KXMSG_LOAD
    "Guardar",                               // KXMSG_SAVE
    "Equalização",                           // KXMSG_EQUALIZATION
    "Limiar",                                // KXMSG_THRESHOLD
    "Equalizar",                             // KXMSG_EQUALIZE
    "Histograma",                            // KXMSG_HISTOGRAM
    "Cinzento",                              // KXMSG_GRAY
    "Luz",                                   // KXMSG_LIGHT
    "Esquerda",                              // KXMSG_LEFT
    "Topo",                                  // KXMSG_TOP
    "Largura",                               // KXMSG_WIDTH
    "Altura",                                // KXMSG_HEIGHT
    "Cor",                                   // KXMSG_COLOR
    "Quantidade de imagem de origem",        // KXMSG_SOURCEIMAGEQUANTITY
    "Lente",                                 // KXMSG_LENS
    "Refração",                              // KXMSG_REFRACTION
    "Pré-visualização dos parâmetros",       // KXMSG_PARAMETERSPREVIEW
    "Qualidade",                             // KXMSG_QUALITY
    "Método DCT",                            // KXMSG_DCTMETHOD
    "Fator de suavização",                   // KXMSG_SMOOTHINGFACTOR
    "Escala de cinzentos",                   // KXMSG_GRAYSCALE
    "Huffman ótimo",                         // KXMSG_OPTIMALHUFFMAN
    "Tamanho original",                      // KXMSG_ORIGINALSIZE
    "Tamanho comprimido",                    // KXMSG_COMPRESSEDSIZE
    "Avançado",                              // KXMSG_ADVANCED
    "Progressivo",                           // KXMSG_PROGRESSIVE
    "Compressão",                            // KXMSG_COMPRESSION
    "Índice da imagem",                      // KXMSG_IMAGEINDEX
    "Fotométrico",                           // KXMSG_PHOTOMETRIC
    "Informação do documento digitalizado",  // KXMSG_SCANNDEDDOCUMENTINFO
    "Nome",                                  // KXMSG_NAME
    "Descrição",                             // KXMSG_DESCRIPTION
    "Nome da página",                        // KXMSG_PAGENAME
    "Número da página",                      // KXMSG_PAGENUMBER
    "de",                                    // KXMSG_OF
    "Posição horiz. (polegadas)",            // KXMSG_HORIZPOSITIONINCH
    "Posição vert. (polegadas)",             // KXMSG_VERTPOSITIONINCH
    "Cores",                                 // KXMSG_COLORS
    "Transparente",                          // KXMSG_TRANSPARENT
    "Cor transparente",                      // KXMSG_TRANSPARENTCOLOR
    "Entrelaçado",                           // KXMSG_INTERLACED
    "Fundo",                                 // KXMSG_BACKGROUND
    "Posição horiz.",                        // KXMSG_HORIZPOSITION
    "Posição vert.",                         // KXMSG_VERTPOSITION
    "Tempo de atraso",                       // KXMSG_DELAYTIME
    "Filtro",                                // KXMSG_FILTER
    "Onda",                                  // KXMSG_WAVE
    "Amplitude",                             // KXMSG_AMPLITUDE
    "Comprimento de onda",                   // KXMSG_WAVELENGTH
    "Fase",                                  // KXMSG_PHASE
    "Refletivo",                             // KXMSG_REFLECTIVE
    "Filtro do utilizador",                  // KXMSG_USERFILTER
    "Filtros morfológicos",                  // KXMSG_MORPHFILTER
    "Tamanho da janela",                     // KXMSG_WINDOWSIZE
    "Máximo",                                // KXMSG_MAXIMUM
    "Mínimo",                                // KXMSG_MINIMUM
    "Abertura",                              // KXMSG_OPEN
    "Fecho",                                 // KXMSG_CLOSE
    "Rodar",                                 // KXMSG_ROTATE
    "Inverter",                              // KXMSG_FLIP
    "Horizontal",                            // KXMSG_FLIPHOR
    "Vertical",                              // KXMSG_FLIPVER
    "Imagem no domínio da frequência",       // KXMSG_FREQUENCYDOMAINIMAGE
    "Selecione a região a limpar",           // KXMSG_SELECTTHEREGIONTOCLEAR
    "Limpar",                                // KXMSG_CLEAR
    "Repor",                                 // KXMSG_RESET
};

}  // namespace kx
