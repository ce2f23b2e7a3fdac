// The image dialog: the image filter page and, for monochrome and raw
// colour modes, the gray filter page. Every change goes into the model at
// once; the caller restores what it kept when the dialog is cancelled.

#include <windows.h>

#include <array>

#include "dialogs/DialogIds.h"
#include "dialogs/win32/DialogKit.h"

namespace tavix::dialogs {

namespace {

constexpr int kBayerButtons[] = {IDC_BAYER0, IDC_BAYER1, IDC_BAYER2, IDC_BAYER3};
constexpr int32_t kDefaultBayerMode = 2;

void ShowBayerMode(HWND page, int32_t mode)
{
    for (int32_t k = 0; k < 4; ++k)
        CheckDlgButton(page, kBayerButtons[k], k == mode ? BST_CHECKED : BST_UNCHECKED);
}

// The Bayer mode of a clicked radio button, or -1.
int32_t BayerModeOf(int id)
{
    for (int32_t k = 0; k < 4; ++k)
        if (kBayerButtons[k] == id)
            return k;
    return -1;
}

class ImageFilterPage final : public Page {
public:
    explicit ImageFilterPage(ImageModel& model) : model_(model) {}

    int Template() const override { return TemplateId(IDD_IMAGE_FILTER_EN, IDD_IMAGE_FILTER_JA); }
    std::span<const SliderRow> Rows() const override { return kRows; }
    int32_t RowValue(size_t row) const override { return model_.Get(kValues[row]); }
    void RowChanged(size_t row, int32_t value) override { model_.Set(kValues[row], value); }

    void LoadOthers(HWND page) override
    {
        // Without colour only the filters that work on gray levels apply.
        const bool colour = model_.Colour();
        for (const int id : {IDC_HUE_BAR, IDC_HUE_EDIT, IDC_HUE_SPIN, IDC_SATURATION_BAR, IDC_SATURATION_EDIT,
                 IDC_SATURATION_SPIN, IDC_RGAIN_BAR, IDC_RGAIN_EDIT, IDC_RGAIN_SPIN, IDC_GGAIN_BAR, IDC_GGAIN_EDIT,
                 IDC_GGAIN_SPIN, IDC_BGAIN_BAR, IDC_BGAIN_EDIT, IDC_BGAIN_SPIN, IDC_ONCE, IDC_ALL_FRAMES, IDC_BAYER0,
                 IDC_BAYER1, IDC_BAYER2, IDC_BAYER3})
            EnableItem(page, id, colour);
        CheckDlgButton(page, IDC_ALL_FRAMES, model_.WhiteBalanceEveryFrame() ? BST_CHECKED : BST_UNCHECKED);
        ShowBayerMode(page, model_.Get(ImageValue::kBayerMode));
    }

    void Command(HWND page, int id, int code) override
    {
        if (code != BN_CLICKED)
            return;
        if (id == IDC_ONCE) {
            model_.WhiteBalanceOnce();
            CheckDlgButton(page, IDC_ALL_FRAMES, BST_UNCHECKED);
        } else if (id == IDC_ALL_FRAMES) {
            model_.WhiteBalanceEveryFrame(IsDlgButtonChecked(page, IDC_ALL_FRAMES) == BST_CHECKED);
        } else if (const int32_t mode = BayerModeOf(id); mode >= 0) {
            model_.Set(ImageValue::kBayerMode, mode);
        }
    }

    void Default() override
    {
        for (const ImageValue neutral : {ImageValue::kBrightness, ImageValue::kContrast, ImageValue::kHue,
                 ImageValue::kSaturation, ImageValue::kSharpness})
            model_.Set(neutral, 0);
        for (const ImageValue unity : {ImageValue::kGainRed, ImageValue::kGainGreen, ImageValue::kGainBlue,
                 ImageValue::kGamma})
            model_.Set(unity, 100);
        model_.Set(ImageValue::kBayerMode, kDefaultBayerMode);
    }

private:
    static constexpr SliderRow kRows[] = {
        {IDC_BRIGHTNESS_BAR, IDC_BRIGHTNESS_EDIT, IDC_BRIGHTNESS_SPIN, {-255, 255}, 64},
        {IDC_CONTRAST_BAR, IDC_CONTRAST_EDIT, IDC_CONTRAST_SPIN, {-127, 127}, 32},
        {IDC_HUE_BAR, IDC_HUE_EDIT, IDC_HUE_SPIN, {-360, 360}, 90},
        {IDC_SATURATION_BAR, IDC_SATURATION_EDIT, IDC_SATURATION_SPIN, {-255, 255}, 64},
        {IDC_SHARPNESS_BAR, IDC_SHARPNESS_EDIT, IDC_SHARPNESS_SPIN, {0, 30}, 4},
        {IDC_RGAIN_BAR, IDC_RGAIN_EDIT, IDC_RGAIN_SPIN, {0, 400}, 32},
        {IDC_GGAIN_BAR, IDC_GGAIN_EDIT, IDC_GGAIN_SPIN, {0, 400}, 32},
        {IDC_BGAIN_BAR, IDC_BGAIN_EDIT, IDC_BGAIN_SPIN, {0, 400}, 32},
        {IDC_GAMMA_BAR, IDC_GAMMA_EDIT, IDC_GAMMA_SPIN, {0, 200}, 32},
    };
    static constexpr ImageValue kValues[] = {
        ImageValue::kBrightness, ImageValue::kContrast, ImageValue::kHue,
        ImageValue::kSaturation, ImageValue::kSharpness, ImageValue::kGainRed,
        ImageValue::kGainGreen, ImageValue::kGainBlue, ImageValue::kGamma,
    };
    ImageModel& model_;
};

class GrayFilterPage final : public Page {
public:
    explicit GrayFilterPage(ImageModel& model) : model_(model) {}

    int Template() const override { return TemplateId(IDD_GRAY_FILTER_EN, IDD_GRAY_FILTER_JA); }
    std::span<const SliderRow> Rows() const override { return kRows; }
    int32_t RowValue(size_t row) const override { return model_.Get(kValues[row]); }
    void RowChanged(size_t row, int32_t value) override { model_.Set(kValues[row], value); }

    void LoadOthers(HWND page) override
    {
        const int32_t mode = model_.Get(ImageValue::kGrayMode);
        for (int32_t k = 0; k < 3; ++k)
            CheckDlgButton(page, kModeButtons[k], k == mode ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(page, IDC_ALL_FRAMES, model_.GrayGainEveryFrame() ? BST_CHECKED : BST_UNCHECKED);
        ShowBayerMode(page, model_.Get(ImageValue::kBayerMode));
    }

    void Command(HWND page, int id, int code) override
    {
        if (code != BN_CLICKED)
            return;
        if (id == IDC_ONCE) {
            model_.GrayGainOnce();
            CheckDlgButton(page, IDC_ALL_FRAMES, BST_UNCHECKED);
        } else if (id == IDC_ALL_FRAMES) {
            model_.GrayGainEveryFrame(IsDlgButtonChecked(page, IDC_ALL_FRAMES) == BST_CHECKED);
        } else if (const int32_t mode = BayerModeOf(id); mode >= 0) {
            model_.Set(ImageValue::kBayerMode, mode);
        } else {
            for (int32_t k = 0; k < 3; ++k)
                if (kModeButtons[k] == id)
                    model_.Set(ImageValue::kGrayMode, k);
        }
    }

    // The gray mode stays as it is.
    void Default() override
    {
        for (const ImageValue value : kValues)
            model_.Set(value, kUnity);
    }

private:
    static constexpr int32_t kUnity = 128;
    static constexpr int kModeButtons[] = {IDC_GRAY_BAYER, IDC_GRAY_BAYER_CONVERT, IDC_GRAY_GRAYSCALE};
    static constexpr SliderRow kRows[] = {
        {IDC_GRAY_GAIN_R_BAR, IDC_GRAY_GAIN_R_EDIT, IDC_GRAY_GAIN_R_SPIN, {0, 400}, 32},
        {IDC_GRAY_GAIN_G1_BAR, IDC_GRAY_GAIN_G1_EDIT, IDC_GRAY_GAIN_G1_SPIN, {0, 400}, 32},
        {IDC_GRAY_GAIN_G2_BAR, IDC_GRAY_GAIN_G2_EDIT, IDC_GRAY_GAIN_G2_SPIN, {0, 400}, 32},
        {IDC_GRAY_GAIN_B_BAR, IDC_GRAY_GAIN_B_EDIT, IDC_GRAY_GAIN_B_SPIN, {0, 400}, 32},
        {IDC_GRAY_OFFSET_R_BAR, IDC_GRAY_OFFSET_R_EDIT, IDC_GRAY_OFFSET_R_SPIN, {-255, 255}, 32},
        {IDC_GRAY_OFFSET_G1_BAR, IDC_GRAY_OFFSET_G1_EDIT, IDC_GRAY_OFFSET_G1_SPIN, {-255, 255}, 32},
        {IDC_GRAY_OFFSET_G2_BAR, IDC_GRAY_OFFSET_G2_EDIT, IDC_GRAY_OFFSET_G2_SPIN, {-255, 255}, 32},
        {IDC_GRAY_OFFSET_B_BAR, IDC_GRAY_OFFSET_B_EDIT, IDC_GRAY_OFFSET_B_SPIN, {-255, 255}, 32},
    };
    static constexpr ImageValue kValues[] = {
        ImageValue::kGrayGainR,   ImageValue::kGrayGainG1,   ImageValue::kGrayGainG2,   ImageValue::kGrayGainB,
        ImageValue::kGrayOffsetR, ImageValue::kGrayOffsetG1, ImageValue::kGrayOffsetG2, ImageValue::kGrayOffsetB,
    };
    ImageModel& model_;
};

} // namespace

int ShowImageDialog(platform::WindowHandle owner, ImageModel& model)
{
    ImageFilterPage image(model);
    GrayFilterPage gray(model);
    std::vector<Page*> pages{&image};
    if (!model.Colour())
        pages.push_back(&gray);
    return RunSheet(static_cast<HWND>(owner), TemplateId(IDD_IMAGE_EN, IDD_IMAGE_JA), std::move(pages), model);
}

} // namespace tavix::dialogs
