// The word tables in force and their lookup.
#include "imaging/core/words.h"

#include <mutex>
#include <vector>

#include "platform/locale.h"

namespace kx {

namespace {

constexpr int kTableCount = msUser;  // msEnglish .. msUser

const TKXWordTable* BuiltIn(TMsgLanguage language) {
  switch (language) {
    case msEnglish:
      return &kxWordsEnglish;
    case msItalian:
      return &kxWordsItalian;
    case msGerman:
      return &kxWordsGerman;
    case msSpanish:
      return &kxWordsSpanish;
    case msFrench:
      return &kxWordsFrench;
    case msPortuguese:
      return &kxWordsPortuguese;
    case msGreek:
      return &kxWordsGreek;
    default:
      return nullptr;
  }
}

struct TWordTables {
  std::mutex lock;
  std::vector<std::string> texts = std::vector<std::string>(size_t(kTableCount) * kKXMsgWordCount);

  TWordTables() { FillDefaults(); }
  std::string& At(TMsgLanguage language, TMsgLanguageWords word) {
    return texts[size_t(language - 1) * kKXMsgWordCount + word];
  }
  void FillDefaults() {
    for (int l = msEnglish; l < msUser; ++l) {
      const TKXWordTable& table = *BuiltIn(TMsgLanguage(l));
      for (int w = 0; w < kKXMsgWordCount; ++w) At(TMsgLanguage(l), TMsgLanguageWords(w)) = table[size_t(w)];
    }
  }
};

TWordTables& Tables() {
  static TWordTables tables;
  return tables;
}

bool Valid(TMsgLanguage language, TMsgLanguageWords word) {
  return language >= msEnglish && language <= msUser && word < kKXMsgWordCount;
}

}  // namespace

void KXSetTranslationWord(TMsgLanguage language, TMsgLanguageWords word, const std::string& text) {
  if (!Valid(language, word)) return;
  TWordTables& t = Tables();
  std::lock_guard guard(t.lock);
  t.At(language, word) = text;
}

void KXSetDefaultTranslationWords() {
  TWordTables& t = Tables();
  std::lock_guard guard(t.lock);
  t.FillDefaults();
}

TMsgLanguage KXSystemMsgLanguage() {
  struct TCode {
    const char* code;
    TMsgLanguage language;
  };
  static constexpr TCode kCodes[] = {{"de", msGerman}, {"el", msGreek},   {"es", msSpanish},
                                     {"fr", msFrench}, {"it", msItalian}, {"pt", msPortuguese}};
  const std::string primary = KXUserPrimaryLanguage();
  for (const TCode& c : kCodes) {
    if (primary == c.code) return c.language;
  }
  return msEnglish;
}

std::string kxmsg(TMsgLanguageWords word, TMsgLanguage language) {
  const bool system = language == msSystem;
  if (system) language = KXSystemMsgLanguage();
  if (!Valid(language, word)) return {};
  TWordTables& t = Tables();
  std::lock_guard guard(t.lock);
  const std::string& text = t.At(language, word);
  if (text.empty() && !system) return t.At(msEnglish, word);
  return text;
}

}  // namespace kx
