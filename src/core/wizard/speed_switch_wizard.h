#pragma once

#include <span>
#include <string>
#include <vector>

#include "wizard/speed_switch_fields.h"
#include "wizard/speed_switch_rules.h"
#include "wizard/wizard_sheet.h"

namespace zvr {

// One channel of a speed-switch unit: step 1 its mode, step 2 the reset option (speed
// switches), then the group of the mode: speed switch (3), autocrank (4) or glow plug (5).
// Every edit is parsed straight into its scalar; an autocrank or glow-plug channel leaves
// its speed-switch scalars at the controller's values.
class ChannelPage : public WizardPage {
public:
    ChannelPage(const ChannelLayout& layout, int channel);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    int channel() const { return channel_; }
    // The mode and reset option the person chose (-1 before the step was passed).
    int mode() const { return mode_; }
    int resetOption() const { return resetOption_; }
    // A field's form id on this page.
    std::string id(std::string_view key) const { return prefix_ + std::string(key); }

private:
    std::string name(const char* pattern) const { return ScalarName(pattern, channel_); }
    void ShowGroup(int group, int item);
    void HideGroups();
    void KeepUnusedSwitchValues(WizardSheet& sheet, int option);
    void RestoreSpeedSwitch(WizardSheet& sheet, int writtenGroup);

    const ChannelLayout& layout_;
    int channel_;
    std::string prefix_;
    int mode_ = -1;
    int resetOption_ = -1;
};

// Engine protection: every edit parsed into its scalar, switching types into SWITCH_CTRL.
class ProtectionPage : public WizardPage {
public:
    explicit ProtectionPage(std::span<const ScalarField> fields);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;

private:
    std::span<const ScalarField> fields_;
};

// What the LPN 310 and KMS-2 wizards share on the sheet: every page fills itself from the
// controller values, which the Welcome page sets to the starting values of the chosen mode;
// Complete only closes.
class SpeedSwitchWizard : public WizardSheet {
public:
    using WizardSheet::WizardSheet;

    const std::vector<ChannelPage*>& channels() const { return channels_; }
    // The set speed of each channel by its mode, from the scalar holding it (cal-file values).
    std::vector<ChannelSpeed> ChannelSpeeds(const char* speedPattern);

protected:
    bool pagesAlwaysPreload() const override { return true; }
    void TakeStartingValues() override;
    bool finishOnlyCloses() const override { return true; }
    bool completeShowsOptions() const override { return false; }
    std::pair<double, double> plotRange() const override { return {0, 0}; }

    // Adds the channel pages and the protection page to pages.
    void AddChannelsAndProtection(std::vector<std::unique_ptr<WizardPage>>& pages,
                                  const ChannelLayout& layout, int count,
                                  std::span<const ScalarField> protection);
    // A row "Channel n <item>" with a scalar's cal-file value and units text.
    SummaryRow ScalarRow(const std::string& description, const std::string& scalarName);
    // The Configuration row of a channel.
    SummaryRow ModeRow(const ChannelPage& page) const;

private:
    std::vector<ChannelPage*> channels_;
};

}  // namespace zvr
