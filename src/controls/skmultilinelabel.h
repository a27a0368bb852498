// A label whose text is kept as a list of lines: the screens' long transparent texts.
#pragma once

#include <string>

#include "framework/classes.h"
#include "framework/stdctrls.h"

namespace mvt {

class TSkMultilineLabel : public TLabel {
  public:
    explicit TSkMultilineLabel(TComponent* owner);

    // The lines, owned by the label. Every change goes through the setters below, so the
    // caption always follows them.
    const TStringList& Lines() const { return lines_; }
    // Copies the given lines (nothing happens when given the label's own list).
    void SetLines(const TStringList& lines);
    // Replaces the lines by the lines of a text (CR LF, LF or CR separated).
    void SetLinesText(const std::string& text);
    // Replaces one line; raises EInvalidOperation for an index outside the list.
    void SetLine(int index, const std::string& line);
    void AddLine(const std::string& line);
    void ClearLines();

    // Fires OnResize (declared by the control) after every bounds change, also when the
    // new bounds equal the old ones.
    void SetBounds(int left, int top, int width, int height) override;

  private:
    // The caption is derived from the lines and is not set directly.
    using TLabel::SetCaption;
    void LinesChanged();

    TStringList lines_;
};

// The caption for a list of lines: each line followed by CR LF, then every trailing CR LF
// pair removed.
std::string JoinLinesForCaption(const TStringList& lines);

}  // namespace mvt
