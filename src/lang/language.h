#ifndef LANGUAGE_H
#define LANGUAGE_H

#include <QString>
#include <QStringList>

#include <optional>

// The window speaks Chinese (the source texts) or English (translations/talvik_en.ts).
enum class UiLanguage { Chinese, English };

// The language for the system's UI languages, most preferred first, as
// QLocale::uiLanguages() lists them: the first Chinese or English entry (or
// the C/POSIX locale, which counts as Chinese) decides; other languages are
// passed over; a list with none of them gives English, an empty one Chinese.
UiLanguage systemUiLanguage(const QStringList &uiLanguages);

// "zh" or "en"; nothing for any other code.
std::optional<UiLanguage> uiLanguageFromCode(const QString &code);

// The value of --lang (also --lang=value) in the program's arguments: nothing
// without the option, an empty text when the option lacks its value.
std::optional<QString> languageOptionValue(const QStringList &arguments);

// Makes the application speak `language` from here on, replacing the
// translation installed by an earlier call. False when the English
// translation is missing from the resources.
bool installUiLanguage(UiLanguage language);

// Chooses and installs the language for the arguments and the system; for an
// unknown --lang value writes the reason to stderr and returns false (the
// program then exits with status 2).
bool setUpUiLanguage(const QStringList &arguments, const QStringList &uiLanguages);

#endif // LANGUAGE_H
