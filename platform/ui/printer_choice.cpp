#include "platform/ui/printer_choice.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace dezu::ui {

bool DefaultPrinter::direct(QPrinter& printer) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    printer.setPrinterName(info.printerName());
    return true;
}

}  // namespace dezu::ui
