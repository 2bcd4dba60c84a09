#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QLabel;

namespace dezu::ui {

// A status bar of parts side by side, each a fixed width in pixels; a width
// of -1 takes the rest of the bar.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    StatusBar(QWidget* parent, const std::string& name, const std::vector<int>& widths);

    // Parts are numbered from 0; a part that is not there is ignored.
    void set_part_text(int part, const std::string& text);
    std::string part_text(int part) const;
    int part_count() const { return static_cast<int>(parts_.size()); }

private:
    std::vector<QLabel*> parts_;
};

}  // namespace dezu::ui
