#include "platform/ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace dezu::ui {

bool install_chinese_qt_translations() {
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    // Once per application, however often it is asked.
    if (app->findChild<QTranslator*>(QStringLiteral("qtbase_zh_CN"))) return true;
    auto* translator = new QTranslator(app);
    translator->setObjectName(QStringLiteral("qtbase_zh_CN"));
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace dezu::ui
