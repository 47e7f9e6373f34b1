#include "gui/theme_icons.h"

namespace vestrel::gui {

QIcon ThemeIcon(const char* name) {
    if (name == nullptr) return {};
    return ThemeIcon({name});
}

QIcon ThemeIcon(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const QString plain = QString::fromLatin1(name);
        const QString symbolic = plain + "-symbolic";
        if (QIcon::hasThemeIcon(symbolic)) return QIcon::fromTheme(symbolic);
        if (QIcon::hasThemeIcon(plain)) return QIcon::fromTheme(plain);
    }
    return names.size() > 0 ? QIcon::fromTheme(QString::fromLatin1(*names.begin())) : QIcon();
}

}  // namespace vestrel::gui
