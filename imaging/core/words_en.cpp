// The built-in English dialog words, in the order of TMsgLanguageWords (UTF-8).
#include "imaging/core/words.h"

namespace kx {

const TKXWordTable kxWordsEnglish = {
    "Preview",                     // KXMSG_PREVIEW
    "Source",                      // KXMSG_SOURCE
    "Result",                      // KXMSG_RESULT
    "OK",                          // KXMSG_OK
    "Cancel",                      // KXMSG_CANCEL
    "Lock preview",                // KXMSG_LOCKPREVIEW
    "Copy Result to Source",       // KXMSG_COPYRESULTTOSOURCE
    "Contrast",                    // KXMSG_CONTRAST
    "Brightness",                  // KXMSG_BRIGHTNESS
    "Hue",                         // KXMSG_HUE
    "Saturation",                  // KXMSG_SATURATION
    "Value",                       // KXMSG_VALUE
    "Base color",                  // KXMSG_BASECOLOR
    "New color",                   // KXMSG_NEWCOLOR
    "Luminosity",                  // KXMSG_LUMINOSITY
    "Red",                         // KXMSG_RED
    "Green",                       // KXMSG_GREEN
    "Blue",                        // KXMSG_BLUE
    "Filter values",               // KXMSG_FILTERVALUES
    "Presets",                     // KXMSG_PRESETS
    "Divisor",                     // KXMSG_DIVISOR
    "Load",                        // KXMSG_LOAD
    "Save",                        // KXMSG_SAVE
    "Equalization",                // KXMSG_EQUALIZATION
    "Threshold",                   // KXMSG_THRESHOLD
    "Equalize",                    // KXMSG_EQUALIZE
    "Histogram",                   // KXMSG_HISTOGRAM
    "Gray",                        // KXMSG_GRAY
    "Light",                       // KXMSG_LIGHT
    "Left",                        // KXMSG_LEFT
    "Top",                         // KXMSG_TOP
    "Width",                       // KXMSG_WIDTH
    "Height",                      // KXMSG_HEIGHT
    "Color",                       // KXMSG_COLOR
    "Source image quantity",       // KXMSG_SOURCEIMAGEQUANTITY
    "Lens",                        // KXMSG_LENS
    "Refraction",                  // KXMSG_REFRACTION
    "Parameters Preview",          // KXMSG_PARAMETERSPREVIEW
    "Quality",                     // KXMSG_QUALITY
    "DCT method",                  // KXMSG_DCTMETHOD
    "Smoothing factor",            // KXMSG_SMOOTHINGFACTOR
    "Gray scale",                  // KXMSG_GRAYSCALE
    "Optimal Huffman",             // KXMSG_OPTIMALHUFFMAN
    "Original size",               // KXMSG_ORIGINALSIZE
    "Compressed size",             // KXMSG_COMPRESSEDSIZE
    "Advanced",                    // KXMSG_ADVANCED
    "Progressive",                 // KXMSG_PROGRESSIVE
    "Compression",                 // KXMSG_COMPRESSION
    "Image index",                 // KXMSG_IMAGEINDEX
    "Photometric",                 // KXMSG_PHOTOMETRIC
    "Scanned document info",       // KXMSG_SCANNDEDDOCUMENTINFO
    "Name",                        // KXMSG_NAME
    "Description",                 // KXMSG_DESCRIPTION
    "Page name",                   // KXMSG_PAGENAME
    "Page number",                 // KXMSG_PAGENUMBER
    "of",                          // KXMSG_OF
    "Horiz. Position (inch)",      // KXMSG_HORIZPOSITIONINCH
    "Vert. Position (inch)",       // KXMSG_VERTPOSITIONINCH
    "Colors",                      // KXMSG_COLORS
    "Transparent",                 // KXMSG_TRANSPARENT
    "Transparent color",           // KXMSG_TRANSPARENTCOLOR
    "Interlaced",                  // KXMSG_INTERLACED
    "Background",                  // KXMSG_BACKGROUND
    "Horiz. Position",             // KXMSG_HORIZPOSITION
    "Vert. Position",              // KXMSG_VERTPOSITION
    "Delay time",                  // KXMSG_DELAYTIME
    "Filter",                      // KXMSG_FILTER
    "Wave",                        // KXMSG_WAVE
    "Amplitude",                   // KXMSG_AMPLITUDE
    "Wave length",                 // KXMSG_WAVELENGTH
    "Phase",                       // KXMSG_PHASE
    "Reflective",                  // KXMSG_REFLECTIVE
    "User filter",                 // KXMSG_USERFILTER
    "Morphing filters",            // KXMSG_MORPHFILTER
    "Window size",                 // KXMSG_WINDOWSIZE
    "Maximum",                     // KXMSG_MAXIMUM
    "Minimum",                     // KXMSG_MINIMUM
    "Opening",                     // KXMSG_OPEN
    "Closing",                     // KXMSG_CLOSE
    "Rotate",                      // KXMSG_ROTATE
    "Flip",                        // KXMSG_FLIP
    "Horizontal",                  // KXMSG_FLIPHOR
    "Vertical",                    // KXMSG_FLIPVER
    "Frequency domain image",      // KXMSG_FREQUENCYDOMAINIMAGE
    "Select the region to clean",  // KXMSG_SELECTTHEREGIONTOCLEAR
    "Clear",                       // KXMSG_CLEAR
    "Reset",                       // KXMSG_RESET
};

}  // namespace kx
