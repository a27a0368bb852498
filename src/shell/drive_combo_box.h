// The drive list: a drop-down list of the drives of the chosen kinds, each with a small
// picture of its kind and its volume label (or network name). The drive logic lives in this
// one class over the framework's owner-drawn drop-down list; there is no separate plain
// drive list.
#pragma once

#include <cstdint>
#include <string>

#include "framework/combo_box.h"
#include "framework/graphics.h"

namespace mvt::shell {

// The kinds of drive; the values are the system's drive type codes.
enum TDriveType : uint8_t {
    dtUnknown = 0,
    dtNoDrive = 1,
    dtFloppy = 2,  // removable
    dtFixed = 3,
    dtNetwork = 4,
    dtCDROM = 5,
    dtRAM = 6,
};
// A set of drive kinds: bit (1 << kind).
using TDriveTypes = unsigned;
constexpr TDriveTypes DriveTypeBit(TDriveType type) {
    return 1u << type;
}
constexpr TDriveTypes kDefaultDriveTypes = DriveTypeBit(dtFloppy) | DriveTypeBit(dtFixed) |
                                           DriveTypeBit(dtNetwork) | DriveTypeBit(dtCDROM) |
                                           DriveTypeBit(dtRAM);

enum class TTextCase { tcLowerCase, tcUpperCase };

class TSkDriveComboBox : public TComboBox {
  public:
    explicit TSkDriveComboBox(TComponent* owner);

    // The shown drive letter; 0 for none. The list starts with none.
    char Drive() const { return drive_; }
    // Shows a drive. Unless an entry is selected and the letter is the current drive
    // (without regard to case), the drive becomes the letter in the list's case, the first
    // entry "<letter>:..." is selected (none when there is no such entry; letter 0 clears
    // drive and selection) and OnChange fires, also when no entry matched.
    void SetDrive(char letter);
    TDriveTypes DriveTypes() const { return driveTypes_; }
    // A different set builds the list anew.
    void SetDriveTypes(TDriveTypes types);
    TTextCase TextCase() const { return textCase_; }
    void SetTextCase(TTextCase textCase);

    // Lists the drives again from the system's drive mask.
    void BuildList();

    // The text of an entry for a drive of the given kind, as the list shows it ("C: System",
    // "A:", "N: \\SERVER\SHARE").
    static std::string EntryText(char letter, UINT driveType);
    // A drive's volume label as shown (LabelText); empty when it cannot be read (the
    // system's error dialogs stay away meanwhile).
    static std::string VolumeLabel(char letter);
    // A label as shown: lower case by file-name rules, then its first character upper case.
    static std::string LabelText(std::string label);
    // The remote name of a connected network drive; empty when it has none.
    static std::string NetworkName(char letter);

  protected:
    void HandleCreated() override;
    bool DrawItem(const DRAWITEMSTRUCT& item) override;
    void Change() override;

  private:
    void SelectDriveEntry();
    const TBitmap* PictureFor(UINT driveType) const;
    int EntryHeight();

    char drive_ = 0;
    TDriveTypes driveTypes_ = kDefaultDriveTypes;
    TTextCase textCase_ = TTextCase::tcLowerCase;
    TBitmap floppy_, fixed_, cdrom_, network_, ram_;
};

}  // namespace mvt::shell
