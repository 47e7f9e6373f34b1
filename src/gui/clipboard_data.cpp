#include "gui/clipboard_data.h"

#include <QMimeData>

#include "gui/qt_text.h"

namespace vestrel::gui {

QMimeData* NewClipboardData(const TClipboardCopy& copy) {
    auto* data = new QMimeData;
    const QByteArray sylk = QByteArray::fromStdString(copy.Sylk);
    data->setData(kOfficeSylkMimeType, sylk);
    data->setData(kSylkMimeType, sylk);
    data->setText(ToQString(copy.Text));
    return data;
}

}  // namespace vestrel::gui
