#include "pictures.h"

#include "pictures/button-close.xpm"
#include "pictures/button-help.xpm"
#include "pictures/button-news.xpm"
#include "pictures/icon-book-16.xpm"
#include "pictures/icon-book-32.xpm"
#include "pictures/icon-globe-16.xpm"
#include "pictures/icon-globe-32.xpm"

namespace lumatic {

namespace {

QIcon icon(const char *const *small, const char *const *large) {
    QIcon icon;
    icon.addPixmap(QPixmap(small));
    icon.addPixmap(QPixmap(large));
    return icon;
}

} // namespace

QPixmap picture(Picture which) {
    switch (which) {
    case Picture::HelpButton:
        return QPixmap(button_help_xpm);
    case Picture::NewsButton:
        return QPixmap(button_news_xpm);
    case Picture::CloseButton:
        return QPixmap(button_close_xpm);
    }
    return {};
}

QIcon bookIcon() {
    return icon(icon_book_16_xpm, icon_book_32_xpm);
}

QIcon globeIcon() {
    return icon(icon_globe_16_xpm, icon_globe_32_xpm);
}

} // namespace lumatic
