#include "shell/ui/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

#include <memory>

namespace kavro {

bool UseQtTranslation(const Texts& language)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const QString name = QString::fromStdString(language.text("5114", "en")).trimmed();
    // A locale name only: the text is joined into a file name.
    static const QRegularExpression localeName(QStringLiteral("^[A-Za-z]{2,3}(_[A-Za-z]{2,4})?$"));
    if (name.isEmpty() || name == QStringLiteral("en") || !localeName.match(name).hasMatch())
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

} // namespace kavro
