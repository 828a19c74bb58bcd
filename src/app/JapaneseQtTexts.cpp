#include "app/JapaneseQtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The texts of Qt's file type names that Qt's Japanese translations leave in English.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        struct Text {
            const char* context;
            const char* source;
            const char16_t* japanese;
        };
        static constexpr Text kTexts[] = {
            {"QAbstractFileIconProvider", "Folder", u"フォルダー"},
            {"QAbstractFileIconProvider", "File", u"ファイル"},
            {"QAbstractFileIconProvider", "Drive", u"ドライブ"},
            {"QAbstractFileIconProvider", "Shortcut", u"ショートカット"},
            {"QAbstractFileIconProvider", "Unknown", u"不明"},
        };
        if (!context || !sourceText) return {};
        for (const Text& text : kTexts)
            if (qstrcmp(context, text.context) == 0 && qstrcmp(sourceText, text.source) == 0)
                return QString::fromUtf16(text.japanese);
        return {};
    }

    bool isEmpty() const override { return false; }
};

}  // namespace

bool InstallJapaneseQtTexts(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // Loaded by file name, not by the locale's languages: C.UTF-8 would find nothing.
    static QTranslator qtTranslations;
    const bool loaded = qtTranslations.load(QStringLiteral("qtbase_ja"),
                                            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded) app.installTranslator(&qtTranslations);
    // Installed last, asked first; it answers only its own few texts.
    static MissingQtTexts missing;
    app.installTranslator(&missing);
    return loaded;
}
