#include "controls/skmultilinelabel.h"

#include "framework/sysutils.h"

namespace mvt {

std::string JoinLinesForCaption(const TStringList& lines) {
    std::string text = lines.Text();
    while (text.size() >= 2 && text[text.size() - 2] == '\r' && text.back() == '\n')
        text.resize(text.size() - 2);
    return text;
}

TSkMultilineLabel::TSkMultilineLabel(TComponent* owner) : TLabel(owner) {}

void TSkMultilineLabel::SetLines(const TStringList& lines) {
    if (&lines == &lines_) return;
    lines_ = lines;
    LinesChanged();
}

void TSkMultilineLabel::SetLinesText(const std::string& text) {
    lines_.SetText(text);
    LinesChanged();
}

void TSkMultilineLabel::SetLine(int index, const std::string& line) {
    if (index < 0 || index >= lines_.Count())
        throw EInvalidOperation(Format("List index out of bounds (%d)", index));
    TStringList changed;
    for (int i = 0; i < lines_.Count(); ++i) changed.Add(i == index ? line : lines_[i]);
    lines_ = changed;
    LinesChanged();
}

void TSkMultilineLabel::AddLine(const std::string& line) {
    lines_.Add(line);
    LinesChanged();
}

void TSkMultilineLabel::ClearLines() {
    lines_.Clear();
    LinesChanged();
}

void TSkMultilineLabel::LinesChanged() {
    if (Destroying()) return;
    SetCaption(JoinLinesForCaption(lines_));
}

void TSkMultilineLabel::SetBounds(int left, int top, int width, int height) {
    const bool unchanged = left == left_ && top == top_ && width == width_ && height == height_;
    TLabel::SetBounds(left, top, width, height);
    // The framework reports changed bounds itself; unchanged ones are reported here.
    if (unchanged && OnResize) OnResize(this);
}

}  // namespace mvt
