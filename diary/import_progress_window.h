#pragma once

#include "platform/ui/form.h"

class QLabel;

namespace dezu::diary {

class DiarySession;

// Shows the import of the sources the import window chose while the session
// fetches or reads them, and closes itself when the run ends. Closing it
// stops the run.
class ImportProgressWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    explicit ImportProgressWindow(DiarySession& session);

    void on_created() override;
    void on_closing() override;

    void run_diary_import();

protected:
    bool event(QEvent* event) override;

private:
    DiarySession& session_;
    QLabel* label_ = nullptr;
    bool started_ = false;
};

}  // namespace dezu::diary
