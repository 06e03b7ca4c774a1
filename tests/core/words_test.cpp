// The dialog word tables, their fallbacks, and the choice of table from the user's locale.
#include "imaging/core/words.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/locale.h"

using namespace kx;

namespace {

// Well-formed UTF-8 without control characters.
bool IsCleanUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    const size_t extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
    if (extra == 0 || c < 0xC2 || i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

struct TLanguageTable {
  TMsgLanguage language;
  const TKXWordTable* table;
  const char* cancel;
};
const TLanguageTable kTables[] = {
    {msEnglish, &kxWordsEnglish, "Cancel"},
    {msItalian, &kxWordsItalian, "Annulla"},
    {msGerman, &kxWordsGerman, "Abbrechen"},
    {msSpanish, &kxWordsSpanish, "Cancelar"},
    {msFrench, &kxWordsFrench, "Annuler"},
    {msPortuguese, &kxWordsPortuguese, "Cancelar"},
    {msGreek, &kxWordsGreek, "\u0386\u03ba\u03c5\u03c1\u03bf"},
};

constexpr const char* kLocaleVariables[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};

// Sets the locale variables (nullptr unsets one); the fixture puts them and the tables back.
void SetLocale(const char* all, const char* messages, const char* lang) {
  const char* values[3] = {all, messages, lang};
  for (size_t i = 0; i < 3; ++i) {
    if (values[i]) {
      setenv(kLocaleVariables[i], values[i], 1);
    } else {
      unsetenv(kLocaleVariables[i]);
    }
  }
}

class WordLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kLocaleVariables) {
      const char* v = std::getenv(name);
      fSaved.push_back(v ? std::optional<std::string>(v) : std::nullopt);
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < 3; ++i) {
      if (fSaved[i]) {
        setenv(kLocaleVariables[i], fSaved[i]->c_str(), 1);
      } else {
        unsetenv(kLocaleVariables[i]);
      }
    }
    for (int w = 0; w < kKXMsgWordCount; ++w) KXSetTranslationWord(msUser, TMsgLanguageWords(w), "");
    KXSetDefaultTranslationWords();
  }

 private:
  std::vector<std::optional<std::string>> fSaved;
};

}  // namespace

TEST(Words, EveryBuiltInTextIsNonEmptyUtf8AndInForce) {
  for (const TLanguageTable& t : kTables) {
    for (int w = 0; w < kKXMsgWordCount; ++w) {
      const std::string text = (*t.table)[size_t(w)];
      EXPECT_FALSE(text.empty()) << t.language << " " << w;
      EXPECT_TRUE(IsCleanUtf8(text)) << text;
      EXPECT_EQ(kxmsg(TMsgLanguageWords(w), t.language), text);
    }
    EXPECT_EQ(kxmsg(KXMSG_CANCEL, t.language), t.cancel);
  }
}

TEST(Words, EnglishWordsAreNumberedInOrder) {
  EXPECT_EQ(int(KXMSG_RESET), kKXMsgWordCount - 1);
  EXPECT_EQ(kxmsg(KXMSG_PREVIEW, msEnglish), "Preview");
  EXPECT_EQ(kxmsg(KXMSG_OF, msEnglish), "of");
  EXPECT_EQ(kxmsg(KXMSG_SCANNDEDDOCUMENTINFO, msEnglish), "Scanned document info");
  EXPECT_EQ(kxmsg(KXMSG_HORIZPOSITIONINCH, msEnglish), "Horiz. Position (inch)");
  EXPECT_EQ(kxmsg(KXMSG_SELECTTHEREGIONTOCLEAR, msEnglish), "Select the region to clean");
  EXPECT_EQ(kxmsg(KXMSG_RESET, msEnglish), "Reset");
}

TEST(Words, TranslatedTablesAreNotCopiesOfEnglish) {
  for (const TLanguageTable& t : kTables) {
    if (t.language == msEnglish) continue;
    int same = 0;
    for (int w = 0; w < kKXMsgWordCount; ++w) same += std::string((*t.table)[size_t(w)]) == kxWordsEnglish[size_t(w)];
    // Loan words ("OK", "Filter", "Maximum", ...) are the same in several languages, not more.
    EXPECT_LT(same, 16) << t.language;
  }
  // Greek words are written in Greek letters, apart from "OK".
  for (int w = 0; w < kKXMsgWordCount; ++w) {
    const std::string text = kxWordsGreek[size_t(w)];
    if (w == KXMSG_OK) continue;
    EXPECT_TRUE(text.find('\xCE') != std::string::npos || text.find('\xCF') != std::string::npos) << text;
  }
}

TEST_F(WordLookup, EmptyTextsFallBackToEnglish) {
  EXPECT_EQ(kxmsg(KXMSG_OK, msUser), "OK");
  KXSetTranslationWord(msUser, KXMSG_OK, "Goed");
  EXPECT_EQ(kxmsg(KXMSG_OK, msUser), "Goed");
  EXPECT_EQ(kxmsg(KXMSG_CANCEL, msUser), "Cancel");
  KXSetTranslationWord(msGerman, KXMSG_SAVE, "");
  EXPECT_EQ(kxmsg(KXMSG_SAVE, msGerman), "Save");
  KXSetTranslationWord(msSystem, KXMSG_SAVE, "ignored");
  KXSetDefaultTranslationWords();
  EXPECT_EQ(kxmsg(KXMSG_SAVE, msGerman), "Speichern");
  EXPECT_EQ(kxmsg(KXMSG_OK, msUser), "Goed");
}

TEST_F(WordLookup, SystemFollowsTheLocaleVariablesInOrder) {
  struct Case {
    const char* all;
    const char* messages;
    const char* lang;
    TMsgLanguage want;
  };
  const Case cases[] = {
      {"nl_NL.UTF-8", nullptr, nullptr, msEnglish},
      {nullptr, nullptr, "de_DE.UTF-8", msGerman},
      {"", "de_AT", "fr_FR", msGerman},
      {"it_IT", "de_DE", "fr_FR", msItalian},
      {nullptr, "", "el_GR.UTF-8", msGreek},
      {nullptr, nullptr, "pt_BR", msPortuguese},
      {nullptr, nullptr, "es_ES@euro", msSpanish},
      {nullptr, "fr_CA.ISO-8859-1", nullptr, msFrench},
      {"C", "de_DE", "de_DE", msEnglish},
      {nullptr, nullptr, "POSIX", msEnglish},
      {nullptr, nullptr, nullptr, msEnglish},
  };
  for (const Case& c : cases) {
    SetLocale(c.all, c.messages, c.lang);
    EXPECT_EQ(KXSystemMsgLanguage(), c.want) << (c.all ? c.all : "-") << " " << (c.lang ? c.lang : "-");
    EXPECT_EQ(kxmsg(KXMSG_CANCEL, msSystem), kxmsg(KXMSG_CANCEL, c.want));
  }
}

TEST_F(WordLookup, SystemReturnsTheTextAsStored) {
  SetLocale(nullptr, nullptr, "de_DE.UTF-8");
  KXSetTranslationWord(msGerman, KXMSG_CANCEL, "");
  EXPECT_EQ(kxmsg(KXMSG_CANCEL, msSystem), "");
  EXPECT_EQ(kxmsg(KXMSG_CANCEL, msGerman), "Cancel");
}

TEST_F(WordLookup, PrimaryLanguageIsTheLowerCaseCodeBeforeTerritoryCodesetAndModifier) {
  struct Case {
    const char* value;
    const char* want;
  };
  for (Case c : {Case{"de_DE.UTF-8", "de"}, Case{"EL_gr", "el"}, Case{"sr@latin", "sr"}, Case{"nl", "nl"},
                 Case{"C.UTF-8", ""}, Case{"POSIX", ""}}) {
    SetLocale(nullptr, nullptr, c.value);
    EXPECT_EQ(KXUserPrimaryLanguage(), c.want) << c.value;
  }
}
