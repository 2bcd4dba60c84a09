#pragma once

#include "platform/ui/form.h"

// The four start-up options of section 系统参数, with 确定 and 取消.
class SettingsWindow : public dezu::ui::Form {
    Q_OBJECT
public:
    SettingsWindow();
    void on_created() override;
};

void init_settings();
void save_settings();
void cancel_settings();
