#include "engine_setup.h"

#include <QLoggingCategory>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <cstring>

namespace lumatic {

namespace {

QLoggingCategory::CategoryFilter previousFilter = nullptr;

void filterCategory(QLoggingCategory *category) {
    if (std::strcmp(category->categoryName(), "qt.webenginecontext") == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
        return;
    }
    if (previousFilter)
        previousFilter(category);
}

} // namespace

void silenceWebEngineContextLog() {
    static const bool installed = [] {
        previousFilter = QLoggingCategory::installFilter(filterCategory);
        return true;
    }();
    Q_UNUSED(installed);
}

void useSoftwareSceneGraph() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

} // namespace lumatic
