#include "shell/drive_combo_box.h"

#include <winnetwk.h>

#include <algorithm>
#include <cctype>

#include "framework/sysutils.h"
#include "framework/system_library.h"

namespace mvt::shell {

namespace {

char Upper(char letter) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

bool SameLetter(char a, char b) {
    return Upper(a) == Upper(b);
}

void LoadPicture(TBitmap& bitmap, const char* name) {
    // A program built without the pictures still lists its drives, only without them.
    try {
        bitmap.LoadFromResource(name);
        bitmap.SetTransparent(true);
    } catch (const Exception&) {
        bitmap.Clear();
    }
}

}  // namespace

TSkDriveComboBox::TSkDriveComboBox(TComponent* owner) : TComboBox(owner) {
    LoadPicture(floppy_, "SKFILBMP_FLOPPY");
    LoadPicture(fixed_, "SKFILBMP_FIXEDDISK");
    LoadPicture(cdrom_, "SKFILBMP_CDROM");
    LoadPicture(network_, "SKFILBMP_NETDRIVE");
    LoadPicture(ram_, "SKFILBMP_RAM");
}

void TSkDriveComboBox::HandleCreated() {
    TComboBox::HandleCreated();
    SetItemHeight(EntryHeight());
    BuildList();
}

int TSkDriveComboBox::EntryHeight() {
    WindowDc screen(nullptr);
    SelectGuard font(screen.get(), Font().Handle());
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen.get(), &metrics);
    return std::max<int>(metrics.tmHeight, floppy_.Height());
}

std::string TSkDriveComboBox::VolumeLabel(char letter) {
    const char root[] = {letter, ':', '\\', '\0'};
    char label[MAX_PATH + 1] = {};
    {
        TQuietSystemErrors quiet;
        if (!GetVolumeInformationA(root, label, sizeof label, nullptr, nullptr, nullptr, nullptr,
                                   0))
            return {};
    }
    return LabelText(label);
}

std::string TSkDriveComboBox::LabelText(std::string label) {
    if (label.empty()) return label;
    CharLowerBuffA(label.data(), static_cast<DWORD>(label.size()));
    CharUpperBuffA(label.data(), 1);
    return label;
}

std::string TSkDriveComboBox::NetworkName(char letter) {
    // mpr is not protected as a KnownDLL: taken from the system folder only.
    const TSystemLibrary mpr("mpr.dll");
    const auto getConnection = mpr.Entry<decltype(&::WNetGetConnectionA)>("WNetGetConnectionA");
    if (!getConnection) return {};
    const char local[] = {letter, ':', '\0'};
    char remote[MAX_PATH + 1] = {};
    DWORD size = sizeof remote;
    if (getConnection(local, remote, &size) != NO_ERROR) return {};
    return remote;
}

std::string TSkDriveComboBox::EntryText(char letter, UINT driveType) {
    const std::string drive(1, letter);
    switch (driveType) {
        case DRIVE_REMOVABLE:
            return drive + ":";
        case DRIVE_REMOTE: {
            std::string remote = NetworkName(letter);
            if (!remote.empty()) {
                const bool lower = std::islower(static_cast<unsigned char>(letter)) != 0;
                if (lower)
                    CharLowerBuffA(remote.data(), static_cast<DWORD>(remote.size()));
                else
                    CharUpperBuffA(remote.data(), static_cast<DWORD>(remote.size()));
                // With its letter in front, like every other entry: the letter is what a
                // pick of this entry selects.
                return Format("%s: %s", drive.c_str(), remote.c_str());
            }
            break;
        }
        default:
            break;
    }
    return Format("%s: %s", drive.c_str(), VolumeLabel(letter).c_str());
}

void TSkDriveComboBox::BuildList() {
    if (!HandleAllocated()) return;
    Clear();
    const DWORD drives = GetLogicalDrives();
    for (int index = 0; index < 26; ++index) {
        if (!(drives & (1u << index))) continue;
        char letter = static_cast<char>('a' + index);
        const char root[] = {letter, ':', '\\', '\0'};
        const UINT type = GetDriveTypeA(root);
        if (textCase_ == TTextCase::tcUpperCase) letter = Upper(letter);
        if (type > dtRAM || !(driveTypes_ & DriveTypeBit(static_cast<TDriveType>(type)))) continue;
        Add(EntryText(letter, type), static_cast<LPARAM>(type));
    }
    SelectDriveEntry();
}

void TSkDriveComboBox::SelectDriveEntry() {
    if (!HandleAllocated()) return;
    int found = -1;
    if (drive_) {
        for (int index = 0; index < Count() && found < 0; ++index) {
            const std::string text = Item(index);
            if (text.size() >= 2 && SameLetter(text[0], drive_) && text[1] == ':') found = index;
        }
    }
    SetItemIndex(found);
}

void TSkDriveComboBox::SetDrive(char letter) {
    if (ItemIndex() >= 0 && drive_ && letter && SameLetter(letter, drive_)) return;
    if (letter)
        letter = textCase_ == TTextCase::tcUpperCase
                     ? Upper(letter)
                     : static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    drive_ = letter;
    SelectDriveEntry();
    TComboBox::Change();
}

void TSkDriveComboBox::SetDriveTypes(TDriveTypes types) {
    if (types == driveTypes_) return;
    driveTypes_ = types;
    BuildList();
}

void TSkDriveComboBox::SetTextCase(TTextCase textCase) {
    if (textCase == textCase_) return;
    textCase_ = textCase;
    if (drive_)
        drive_ = textCase_ == TTextCase::tcUpperCase
                     ? Upper(drive_)
                     : static_cast<char>(std::tolower(static_cast<unsigned char>(drive_)));
    BuildList();
}

void TSkDriveComboBox::Change() {
    // A pick by the user: the entry's letter becomes the drive.
    const std::string text = Text();
    drive_ = text.empty() ? '\0' : text[0];
    TComboBox::Change();
}

const TBitmap* TSkDriveComboBox::PictureFor(UINT driveType) const {
    switch (driveType) {
        case DRIVE_REMOVABLE:
            return &floppy_;
        case DRIVE_FIXED:
            return &fixed_;
        case DRIVE_CDROM:
            return &cdrom_;
        case DRIVE_REMOTE:
            return &network_;
        case DRIVE_RAMDISK:
            return &ram_;
        default:
            return nullptr;
    }
}

bool TSkDriveComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF back = selected ? GetSysColor(COLOR_HIGHLIGHT) : ColorToRGB(Color());
    const COLORREF textColour =
        selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font().Color());
    UniqueBrush brush(CreateSolidBrush(back));
    FillRect(dc, &item.rcItem, brush.get());
    if (item.itemID == static_cast<UINT>(-1)) return true;
    RECT area = item.rcItem;
    area.left += 2;
    if (const TBitmap* picture = PictureFor(static_cast<UINT>(ItemData(item.itemID)));
        picture && !picture->Empty()) {
        const int top = area.top + (area.bottom - area.top - picture->Height()) / 2;
        picture->Draw(dc, area.left, top);
        area.left += picture->Width() + 4;
    }
    const std::string caption = Item(static_cast<int>(item.itemID));
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColour);
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    return true;
}

}  // namespace mvt::shell
