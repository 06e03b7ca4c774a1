// The words of the dialogs in each built-in language, a table the program may fill with its
// own language, and the lookup that falls back to English.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "imaging/core/types.h"

namespace kx {

enum TMsgLanguageWords : uint8_t {
  KXMSG_PREVIEW,
  KXMSG_SOURCE,
  KXMSG_RESULT,
  KXMSG_OK,
  KXMSG_CANCEL,
  KXMSG_LOCKPREVIEW,
  KXMSG_COPYRESULTTOSOURCE,
  KXMSG_CONTRAST,
  KXMSG_BRIGHTNESS,
  KXMSG_HUE,
  KXMSG_SATURATION,
  KXMSG_VALUE,
  KXMSG_BASECOLOR,
  KXMSG_NEWCOLOR,
  KXMSG_LUMINOSITY,
  KXMSG_RED,
  KXMSG_GREEN,
  KXMSG_BLUE,
  KXMSG_FILTERVALUES,
  KXMSG_PRESETS,
  KXMSG_DIVISOR,
  KXMSG_LOAD,
  KXMSG_SAVE,
  KXMSG_EQUALIZATION,
  KXMSG_THRESHOLD,
  KXMSG_EQUALIZE,
  KXMSG_HISTOGRAM,
  KXMSG_GRAY,
  KXMSG_LIGHT,
  KXMSG_LEFT,
  KXMSG_TOP,
  KXMSG_WIDTH,
  KXMSG_HEIGHT,
  KXMSG_COLOR,
  KXMSG_SOURCEIMAGEQUANTITY,
  KXMSG_LENS,
  KXMSG_REFRACTION,
  KXMSG_PARAMETERSPREVIEW,
  KXMSG_QUALITY,
  KXMSG_DCTMETHOD,
  KXMSG_SMOOTHINGFACTOR,
  KXMSG_GRAYSCALE,
  KXMSG_OPTIMALHUFFMAN,
  KXMSG_ORIGINALSIZE,
  KXMSG_COMPRESSEDSIZE,
  KXMSG_ADVANCED,
  KXMSG_PROGRESSIVE,
  KXMSG_COMPRESSION,
  KXMSG_IMAGEINDEX,
  KXMSG_PHOTOMETRIC,
  KXMSG_SCANNDEDDOCUMENTINFO,
  KXMSG_NAME,
  KXMSG_DESCRIPTION,
  KXMSG_PAGENAME,
  KXMSG_PAGENUMBER,
  KXMSG_OF,
  KXMSG_HORIZPOSITIONINCH,
  KXMSG_VERTPOSITIONINCH,
  KXMSG_COLORS,
  KXMSG_TRANSPARENT,
  KXMSG_TRANSPARENTCOLOR,
  KXMSG_INTERLACED,
  KXMSG_BACKGROUND,
  KXMSG_HORIZPOSITION,
  KXMSG_VERTPOSITION,
  KXMSG_DELAYTIME,
  KXMSG_FILTER,
  KXMSG_WAVE,
  KXMSG_AMPLITUDE,
  KXMSG_WAVELENGTH,
  KXMSG_PHASE,
  KXMSG_REFLECTIVE,
  KXMSG_USERFILTER,
  KXMSG_MORPHFILTER,
  KXMSG_WINDOWSIZE,
  KXMSG_MAXIMUM,
  KXMSG_MINIMUM,
  KXMSG_OPEN,
  KXMSG_CLOSE,
  KXMSG_ROTATE,
  KXMSG_FLIP,
  KXMSG_FLIPHOR,
  KXMSG_FLIPVER,
  KXMSG_FREQUENCYDOMAINIMAGE,
  KXMSG_SELECTTHEREGIONTOCLEAR,
  KXMSG_CLEAR,
  KXMSG_RESET
};

constexpr int kKXMsgWordCount = 87;
using TKXWordTable = std::array<const char*, kKXMsgWordCount>;

// The built-in texts (UTF-8), indexed by TMsgLanguageWords.
extern const TKXWordTable kxWordsEnglish;
extern const TKXWordTable kxWordsItalian;
extern const TKXWordTable kxWordsGerman;
extern const TKXWordTable kxWordsSpanish;
extern const TKXWordTable kxWordsFrench;
extern const TKXWordTable kxWordsPortuguese;
extern const TKXWordTable kxWordsGreek;

// Stores the text of a word for a language from msEnglish to msUser; msSystem is ignored.
void KXSetTranslationWord(TMsgLanguage language, TMsgLanguageWords word, const std::string& text);
// Restores the built-in texts of msEnglish to msGreek; msUser keeps what the program stored.
// The tables hold the built-in texts from the first lookup on, without this call.
void KXSetDefaultTranslationWords();
// The text of `word` in `language`; an empty text falls back to English. msSystem takes the
// table of the user's locale and returns its text as stored.
std::string kxmsg(TMsgLanguageWords word, TMsgLanguage language);
// The table msSystem stands for: the locale's primary language when a table has it, else English.
TMsgLanguage KXSystemMsgLanguage();

}  // namespace kx
