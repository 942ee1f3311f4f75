#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace t2j {

// Messages are written in English and translated from the catalogs in po/.
//
// The window speaks Chinese whatever the locale: its texts are the zh_CN catalog's, built into
// the program. The command-line tool calls UseLocaleLanguage() first and then speaks the
// language of its locale: Chinese for zh_*, English for every other locale, through GNU gettext
// and the installed catalog; the system's error texts follow the same choice.

// Marks a text for the catalogs where it is translated later (by Tr or Msg).
#define N_(text) text

// The text of `english` in the program's language. `english` must live as long as the program
// (a literal); so does the result.
const char* Tr(const char* english);

// Tr(pattern) with each "%s" replaced by the next of `args` in order; "%%" gives "%".
std::string Msg(const char* pattern, std::initializer_list<std::string_view> args);

// Chooses the language from the locale's message category (LC_ALL, LC_MESSAGES, LANG) and makes
// gettext find the catalog: beside the program (../share/locale, as in the build tree and in
// an installed prefix), else in the configured locale directory. Where the catalog cannot be
// read, the built-in Chinese texts stand in, so that a message never mixes two languages.
void UseLocaleLanguage();

// For a library inside another program: Chinese (the built-in texts, system errors in the
// environment's LC_MESSAGES locale) when the environment's message locale (LC_ALL, LC_MESSAGES,
// LANG) is zh_*, English otherwise. Reads the environment only: the program's locale, its
// environment and gettext's domains stay as they are.
void UseEnvironmentLanguage();

enum class MessageLanguage {
  kWindow,   // the built-in Chinese texts; system errors in the user's LC_MESSAGES locale
  kEnglish,  // the texts as written; system errors in English
  kChinese,  // the zh_CN catalog; system errors in libc's zh_CN translation
};
MessageLanguage CurrentMessageLanguage();

// A text of the C library (a system error's English text) in the program's language, for
// kChinese through libc's catalog; unchanged otherwise.
const char* TrSystem(const char* english);

}  // namespace t2j
