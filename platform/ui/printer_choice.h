#pragma once

class QPrinter;

namespace dezu::ui {

// Where printed pages go. The program sends them to the desktop's default
// printer; tests hand in one that writes a PDF file.
class PrinterChoice {
public:
    virtual ~PrinterChoice() = default;
    // Points the printer at where the pages go; false when there is nowhere.
    [[nodiscard]] virtual bool direct(QPrinter& printer) = 0;
};

class DefaultPrinter final : public PrinterChoice {
public:
    [[nodiscard]] bool direct(QPrinter& printer) override;
};

}  // namespace dezu::ui
