#include "install/progress_screen.h"

#include "controls/screen_skin.h"
#include "install/progress_figures.h"
#include "install/write_problem_text.h"

using namespace mvt;
using namespace mvt::install;

TForm10* Form10 = nullptr;

namespace mvt::install {
ProgressState Progress;
}  // namespace mvt::install

namespace {

TImage* AddPicture(TForm& form, int left, int top, int width, int height, bool visible) {
    auto* image = CreateChild<TImage>(&form, &form, left, top, width, height);
    image->SetVisible(visible);
    image->SetCursor(crHourGlass);
    return image;
}

TLabel* AddStatusLabel(TForm& form, int left, int top, int width, const std::string& caption,
                       TAlignment alignment = TAlignment::taLeftJustify) {
    TLabel* label = skin::AddLabel(form, left, top, width, 29, skin::kGold, caption);
    label->SetAlignment(alignment);
    label->SetCursor(crHourGlass);
    return label;
}

// The screen's controls as the run and the progress handler show things on them.
class ScreenDisplay final : public InstallDisplay {
  public:
    explicit ScreenDisplay(TForm10& screen) : screen_(screen) {}
    void SetStatusCaption(const std::string& caption) override {
        screen_.Label1->SetCaption(caption);
    }
    void ClearTotalCaption() override { screen_.Label2->SetCaption(""); }
    void SetTotalCaption(const std::string& caption) override {
        screen_.Label2->SetCaption(caption);
    }
    void ProcessMessages() override { Application().ProcessMessages(); }
    void ShowCurrentFile(const std::string& name) override { screen_.Label3->SetCaption(name); }
    void ShowPercentFigure(int percent) override {
        screen_.Label4->SetCaption(std::to_string(percent));
    }
    void ShowRing(int percent) override { screen_.ShowPercent(percent); }
    void HideFileLabels() override {
        screen_.Label3->SetVisible(false);
        screen_.Label4->SetVisible(false);
        screen_.Label5->SetVisible(false);
    }
    void StopAnimation() override { screen_.SkAnimator1->SetAnimate(false); }
    void Close() override { screen_.Hide(); }
    WriteProblemAnswer AskAboutWriteProblem(const ArchiveOutcome& outcome) override {
        if (!screen_.WriteProblemDialog1) return WriteProblemAnswer::Skip;
        return screen_.WriteProblemDialog1->Ask(WriteProblemText(outcome, DecimalSeparator()));
    }

  private:
    TForm10& screen_;
};

}  // namespace

TForm10::TForm10(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, skin::kWizardWidth, skin::kWizardHeight, false);
    SetPosition(TPosition::poScreenCenter);

    // Back to front: the two hidden work pictures, the background, the shown ring.
    Image3 = AddPicture(*this, 154, 34, 331, 330, false);
    Image2 = AddPicture(*this, 154, 34, 331, 330, false);
    Image2->Picture().LoadFromResource("RING");
    // Shown transparent, and so are its copies: a copy of the same look that replaces the
    // shown ring changes the screen only where its pixels differ.
    Image2->Picture().SetTransparent(true);
    Image1 = skin::AddBackground(*this, "BG_PROGRESS");
    Image1->SetCursor(crHourGlass);
    Image4 = AddPicture(*this, 154, 34, 331, 330, true);
    Image4->SetTransparent(true);

    // The status caption reaches to the right edge of the file name's label: at 229 pixels
    // "Создание программной группы и ярлыков..." was cut after "ярл". The two never show
    // anything in the same place (the file name is right-aligned and hidden before that
    // caption comes), and both lie on the same dark panel.
    Label1 = AddStatusLabel(*this, 116, 392, 409, "Распаковка и копирование файлов...");
    Label2 = AddStatusLabel(*this, 116, 420, 277, "Всего установлено...");
    Label3 = AddStatusLabel(*this, 352, 392, 173, "", TAlignment::taRightJustify);
    Label4 = AddStatusLabel(*this, 424, 420, 83, "0", TAlignment::taRightJustify);
    Label5 = AddStatusLabel(*this, 497, 420, 29, "%", TAlignment::taRightJustify);
    Label5->Font().SetName("Arial");
    Label5->Font().SetHeight(-16);
    Label5->Font().SetStyle(fsBold);

    ImageList1 = Make<TImageList>(96, 48);
    for (const char* frame : {"EYE0", "EYE1", "EYE2", "EYE3", "EYE4"})
        ImageList1->AddMasked(ResourceBytes(frame));
    SkAnimator1 = CreateChild<TSkAnimator>(this, this, 272, 175, 96, 48);
    SkAnimator1->SetAnimate(false);
    SkAnimator1->SetDelay(500);
    SkAnimator1->SetImageIndex(2);
    SkAnimator1->SetImageList(ImageList1);
    SkAnimator1->SetTransparent(true);
    SkAnimator1->SetCursor(crHourGlass);

    // Its messages are shown to the user.
    ZipUnpacker1 = Make<zip::TZipUnpacker>();
    ConfigureInstallUnpacker(*ZipUnpacker1);
    ZipUnpacker1->SetUnattended(false);
    ZipUnpacker1->OnItemProgress = [this](TObject*, const std::string& item, uint64_t totalSize,
                                          int perCent) {
        ZipUnpacker1ItemProgress(item, totalSize, perCent);
    };

    SkWave1 = Make<TSkWave>();
    std::vector<uint8_t> sound = ResourceBytes("WAVE_PROGRESS");
    SkWave1->Sound().LoadFromMemory(sound.data(), sound.size());

    screenDisplay_ = std::make_unique<ScreenDisplay>(*this);
    OnCreate = [this](TObject*) { FormCreate(); };
    OnShow = [this](TObject*) { FormShow(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm10::SetWizard(WizardState& wizard) {
    wizard_ = &wizard;
    // The question passes its close requests to the same wizard as the screen.
    if (WriteProblemDialog1) FreeComponent(WriteProblemDialog1);
    WriteProblemDialog1 = Make<TWriteProblemDialog>(*SkWave1, wizard);
}

void TForm10::FormCreate() {
    Progress.LastPercent = 0;
}

void TForm10::FormShow() {
    SkAnimator1->SetAnimate(true);
}

void TForm10::FormCloseQuery(bool& canClose) {
    SkWave1->Play();
    canClose = Tag() == kClosePermitGranted;
    // The decision to leave belongs to the main window's close query and its confirmation.
    if (wizard_) wizard_->PassCloseRequest();
}

void TForm10::ZipUnpacker1ItemProgress(const std::string& item, uint64_t totalSize,
                                       int32_t perCent) {
    ShowItemProgress(Progress, *screenDisplay_, item, totalSize, perCent);
}

void TForm10::Install() {
    if (OnInstall) OnInstall();
}

void TForm10::ShowPercent(double percent) {
    TBitmap& ring = Image2->Picture();
    const int width = ring.Width(), height = ring.Height();
    const RingCover cover = RingCoverFor(percent, width, height);
    if (cover.whole) {
        Image4->Picture().Assign(ring);
        coverDrawn_.reset();
    } else {
        // Only where the new cover can differ from the one drawn last is the work picture
        // made again and copied to the shown ring: two whole copies and comparisons of the
        // picture per percent cost more than the rest of the percent's drawing.
        const RingArea changing = coverDrawn_ ? RingChangeArea(*coverDrawn_, percent, width, height)
                                              : RingArea{0, 0, width, height};
        const RECT part{changing.left, changing.top, changing.right, changing.bottom};
        TBitmap& work = Image3->Picture();
        work.AssignPart(ring, part);
        TCanvas& canvas = work.Canvas();
        const UniqueRegion clip(CreateRectRgnIndirect(&part));
        SelectClipRgn(canvas.Handle(), clip.get());
        canvas.Brush().style = TBrushStyle::bsSolid;
        canvas.Brush().color = clWhite;
        canvas.Pen().style = TPenStyle::psClear;
        canvas.Pen().color = clWhite;
        for (const Wedge& wedge : {cover.first, cover.second})
            canvas.Pie(0, 0, width, height, wedge.x1, wedge.y1, wedge.x2, wedge.y2);
        // Without an outline neither wedge fills the pixels on the radial they share, which
        // left a hairline of the ring standing at the top; a white stroke closes that seam
        // (inside the ring, which is white anyway, it changes nothing). It is drawn where the
        // part being drawn again reaches it.
        const RECT seam{cover.first.x2 - 2, 0, cover.first.x2 + 3, height / 2 + 2};
        if (RECT crossing; IntersectRect(&crossing, &seam, &part)) {
            canvas.Pen() = TPen{clWhite, 3, TPenStyle::psSolid};
            canvas.MoveTo(cover.first.x2, 0);
            canvas.LineTo(cover.first.x2, height / 2);
        }
        SelectClipRgn(canvas.Handle(), nullptr);
        work.Modified();
        Image4->Picture().AssignPart(work, part);
        coverDrawn_ = percent;
    }
    // White, the colour of the picture's bottom-left pixel, lets the background through.
    // The picture's change has invalidated what it changed.
    Image4->SetTransparent(true);
}
