#include "language.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

#include <cstdio>

namespace {
const char *const EnglishTranslation = ":/i18n/talvik_en.qm";

bool isLanguage(const QString &tag, QLatin1String language)
{
    return tag.compare(language, Qt::CaseInsensitive) == 0
            || (tag.size() > language.size() && tag.startsWith(language, Qt::CaseInsensitive)
                && (tag.at(language.size()) == QLatin1Char('-')
                    || tag.at(language.size()) == QLatin1Char('_')));
}
} // namespace

UiLanguage systemUiLanguage(const QStringList &uiLanguages)
{
    if (uiLanguages.isEmpty())
        return UiLanguage::Chinese;
    for (const QString &tag : uiLanguages) {
        if (isLanguage(tag, QLatin1String("zh")) || tag == QLatin1String("C")
            || tag == QLatin1String("POSIX"))
            return UiLanguage::Chinese;
        if (isLanguage(tag, QLatin1String("en")))
            return UiLanguage::English;
    }
    return UiLanguage::English;
}

std::optional<UiLanguage> uiLanguageFromCode(const QString &code)
{
    if (code == QLatin1String("zh"))
        return UiLanguage::Chinese;
    if (code == QLatin1String("en"))
        return UiLanguage::English;
    return std::nullopt;
}

std::optional<QString> languageOptionValue(const QStringList &arguments)
{
    // Only --lang is looked at here: other options are left to whoever parses them.
    QCommandLineParser parser;
    const QCommandLineOption lang(QStringLiteral("lang"), QString(), QStringLiteral("zh|en"));
    parser.addOption(lang);
    parser.parse(arguments);
    if (parser.isSet(lang))
        return parser.value(lang);
    if (arguments.contains(QLatin1String("--lang")))
        return QString(); // given without its value
    return std::nullopt;
}

bool installUiLanguage(UiLanguage language)
{
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    if (language == UiLanguage::Chinese)
        return true;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLatin1String(EnglishTranslation))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

bool setUpUiLanguage(const QStringList &arguments, const QStringList &uiLanguages)
{
    installUiLanguage(systemUiLanguage(uiLanguages));
    const std::optional<QString> code = languageOptionValue(arguments);
    if (!code)
        return true;
    const std::optional<UiLanguage> chosen = uiLanguageFromCode(*code);
    if (!chosen) {
        const QString message =
                QCoreApplication::translate("main",
                                            "talvik：不认识的界面语言“%1”，--lang 只接受 zh 或 en")
                        .arg(*code);
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
        return false;
    }
    installUiLanguage(*chosen);
    return true;
}
