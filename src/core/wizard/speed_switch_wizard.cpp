#include "wizard/speed_switch_wizard.h"

#include <algorithm>

#include "calibration/cal_transfer.h"
#include "common/user_prompt.h"
#include "monitoring/scalar_entry.h"

namespace zvr {

namespace {

constexpr const char* kModeTexts[] = {"Normal Speed Switch", "Reverse Speed Switch", "AutoCrank",
                                      "Glow Plug"};

bool InGroup(const ScalarField& field, int group) {
    return field.group == group && field.kind != FieldKind::Text;
}

}  // namespace

// ---- Channel ------------------------------------------------------------------------------

ChannelPage::ChannelPage(const ChannelLayout& layout, int channel)
    : WizardPage("Configure Channel " + std::to_string(channel)),
      layout_(layout),
      channel_(channel),
      prefix_("ch" + std::to_string(channel) + ".") {
    form.Add({.id = id("number"),
              .kind = FieldKind::Live,
              .label = "Channel:",
              .text = std::to_string(channel)});
    form.Add({.id = id("mode"),
              .kind = FieldKind::Choice,
              .label = "Channel Configuration:",
              .items = {layout.modes.begin(), layout.modes.end()}});
    form.Add({.id = id("reset"),
              .kind = FieldKind::Choice,
              .label = "Reset Option:",
              .items = {layout.resetOptions.begin(), layout.resetOptions.end()},
              .visible = false});
    AddScalarFields(form, prefix_, layout.fields);
}

void ChannelPage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    const ScalarDef* mode = sheet.scalar(name("CHNL_%d_OP_MODE"));
    const ScalarDef* reset = sheet.scalar(name("CHNL_%d_RESET"));
    const auto modes = static_cast<uint32_t>(layout_.modes.size());
    form.at(id("mode")).selection =
        mode != nullptr && mode->controllerRaw < modes ? static_cast<int>(mode->controllerRaw) : -1;
    const auto code = std::find(layout_.resetCodes.begin(), layout_.resetCodes.end(),
                                reset != nullptr ? reset->controllerRaw : ~0u);
    form.at(id("reset")).selection =
        code == layout_.resetCodes.end() ? -1 : static_cast<int>(code - layout_.resetCodes.begin());
    for (int group : {kSpeedSwitchGroup, kAutocrankGroup, kGlowPlugGroup}) {
        FillScalarFields(sheet, form, prefix_, layout_.fields, group, channel_);
    }
}

void ChannelPage::ShowGroup(int group, int item) {
    for (const ScalarField& field : layout_.fields) {
        if (InGroup(field, group)) form.Show(id(field.key), FieldServes(field, item));
    }
}

void ChannelPage::HideGroups() {
    for (const ScalarField& field : layout_.fields)
        form.Hide(id(field.key));
}

PageMove ChannelPage::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    switch (step) {
        case 1: {
            const int chosen = form.selection(id("mode"));
            if (chosen < 0 || chosen >= static_cast<int>(layout_.modes.size())) {
                prompt.error("You must select a 'Channel Configuration'");
                return PageMove::Stay;
            }
            mode_ = chosen;
            sheet.SetRaw(name("CHNL_%d_OP_MODE"), static_cast<uint32_t>(chosen));
            form.Enable(id("mode"), false);
            if (chosen == kAutocrank) {
                ShowGroup(kAutocrankGroup, -1);
                step = kAutocrankGroup;
            } else if (chosen == kGlowPlug) {
                ShowGroup(kGlowPlugGroup, -1);
                step = kGlowPlugGroup;
            } else {
                form.Show(id("reset"));
                form.Enable(id("reset"));
                step = 2;
            }
            return PageMove::Stay;
        }
        case 2: {
            const int option = form.selection(id("reset"));
            if (option < 0 || option >= static_cast<int>(layout_.resetOptions.size())) {
                prompt.error("You must select a 'Reset Option'");
                return PageMove::Stay;
            }
            resetOption_ = option;
            form.Enable(id("reset"), false);
            ShowGroup(kSpeedSwitchGroup, option);
            step = kSpeedSwitchGroup;
            return PageMove::Stay;
        }
        case kSpeedSwitchGroup:
            sheet.SetRaw(name("CHNL_%d_RESET"), layout_.resetCodes[resetOption_]);
            if (!CheckScalarFields(sheet, form, prefix_, layout_.fields, layout_.orders,
                                   kSpeedSwitchGroup, resetOption_, channel_)) {
                return PageMove::Stay;
            }
            KeepUnusedSwitchValues(sheet, resetOption_);
            return PageMove::Next;
        case kAutocrankGroup:
        case kGlowPlugGroup:
            if (!CheckScalarFields(sheet, form, prefix_, layout_.fields, layout_.orders, step, -1,
                                   channel_)) {
                return PageMove::Stay;
            }
            RestoreSpeedSwitch(sheet, step);
            return PageMove::Next;
        default:
            prompt.plain("Internal State Error");
            return PageMove::Stay;
    }
}

PageMove ChannelPage::Back(WizardSheet&) {
    switch (step) {
        case 1:
            return PageMove::Previous;
        case kSpeedSwitchGroup:
            HideGroups();
            form.Enable(id("reset"));
            step = 2;
            return PageMove::Stay;
        default:
            HideGroups();
            form.Hide(id("reset"));
            form.Enable(id("mode"));
            step = 1;
            return PageMove::Stay;
    }
}

// Edits the chosen reset option does not use keep the controller's values.
void ChannelPage::KeepUnusedSwitchValues(WizardSheet& sheet, int option) {
    for (const ScalarField& field : layout_.fields) {
        if (!InGroup(field, kSpeedSwitchGroup) || FieldServes(field, option)) continue;
        if (ScalarDef* def = sheet.scalar(name(field.scalar))) def->fileRaw = def->controllerRaw;
    }
}

// The speed-switch scalars take the controller's values again, except those the autocrank
// or glow-plug group has just written (a KMS-2 autocrank channel's set-speed window holds its
// crank-disable speeds).
void ChannelPage::RestoreSpeedSwitch(WizardSheet& sheet, int writtenGroup) {
    std::vector<std::string> written;
    for (const ScalarField& field : layout_.fields) {
        if (InGroup(field, writtenGroup)) written.push_back(name(field.scalar));
    }
    std::vector<std::string> names{name("CHNL_%d_RESET")};
    for (const ScalarField& field : layout_.fields) {
        if (InGroup(field, kSpeedSwitchGroup)) names.push_back(name(field.scalar));
    }
    for (const std::string& scalar : names) {
        if (std::find(written.begin(), written.end(), scalar) != written.end()) continue;
        if (ScalarDef* def = sheet.scalar(scalar)) def->fileRaw = def->controllerRaw;
    }
}

// ---- Protection ---------------------------------------------------------------------------

ProtectionPage::ProtectionPage(std::span<const ScalarField> fields)
    : WizardPage("Engine Protection Setup"), fields_(fields) {
    AddScalarFields(form, "protect.", fields);
    for (WizardField& field : form.fields())
        field.visible = true;
}

void ProtectionPage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    FillScalarFields(sheet, form, "protect.", fields_, 1, 0);
}

PageMove ProtectionPage::Next(WizardSheet& sheet) {
    return CheckScalarFields(sheet, form, "protect.", fields_, {}, 1, -1, 0) ? PageMove::Next
                                                                             : PageMove::Stay;
}

// ---- the sheet ----------------------------------------------------------------------------

void SpeedSwitchWizard::TakeStartingValues() {
    ScalarDef* password = scalar("PASSWORD");
    const uint32_t passwordRead = password != nullptr ? password->controllerRaw : 0;
    // A demo reads nothing from a unit: its controller values are the file's.
    if (demo()) transfer().CopyCalToController();
    if (startMode() == 1) {
        transfer().CopyControllerToCal();
    } else {
        transfer().CopyCalToController();
    }
    // The Summary writes the controller's password back unchanged; starting from the file's
    // values must not replace it with the file's.
    if (password != nullptr && !demo()) password->controllerRaw = passwordRead;
}

void SpeedSwitchWizard::AddChannelsAndProtection(std::vector<std::unique_ptr<WizardPage>>& pages,
                                                 const ChannelLayout& layout, int count,
                                                 std::span<const ScalarField> protection) {
    for (int n = 1; n <= count; ++n) {
        auto page = std::make_unique<ChannelPage>(layout, n);
        channels_.push_back(page.get());
        pages.push_back(std::move(page));
    }
    pages.push_back(std::make_unique<ProtectionPage>(protection));
}

std::vector<ChannelSpeed> SpeedSwitchWizard::ChannelSpeeds(const char* speedPattern) {
    std::vector<ChannelSpeed> speeds;
    for (const ChannelPage* page : channels_) {
        speeds.push_back(
            {page->mode(), value(ScalarName(speedPattern, page->channel()), /*current=*/false)});
    }
    return speeds;
}

SummaryRow SpeedSwitchWizard::ScalarRow(const std::string& description,
                                        const std::string& scalarName) {
    const ScalarDef* def = scalar(scalarName);
    return {description, valueText(scalarName, /*current=*/false),
            def != nullptr ? UnitsForDisplay(def->units) : std::string()};
}

SummaryRow SpeedSwitchWizard::ModeRow(const ChannelPage& page) const {
    const int mode = page.mode();
    return {"Channel " + std::to_string(page.channel()) + " Configuration",
            mode >= 0 && mode <= 3 ? kModeTexts[mode] : "", ""};
}

}  // namespace zvr
