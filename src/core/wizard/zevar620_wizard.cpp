#include "wizard/zevar620_wizard.h"

#include <algorithm>
#include <cstdio>

#include "strategy/strategy_check.h"

namespace zvr {

namespace {

constexpr const char* kMode = "speed.mode";
constexpr const char* kCount = "speed.count";

// A fixed speed anywhere from 0 to 32000 rpm; the variable minimum likewise.
constexpr SetSpeedBounds kSpeedBounds{0, 32000, 0, 32000};

constexpr const char* kString132 =
    "For simplicity, ZEVAR Wizard performs a basic calibration only and does not cover all "
    "options; it does not automatically assure optimum engine operation.  Please refer to the "
    "User's Manual for a complete discussion of ZEVAR 620 features and calibration procedures.";
constexpr const char* kString133 =
    "The basics have been covered.  You are now ready to run your engine and adjust the PID "
    "gains. ";

}  // namespace

std::pair<long long, long long> Zevar620PlotBounds(double lowest, double highest) {
    if (lowest < highest) {
        return {static_cast<long long>(lowest * 0.85), static_cast<long long>(highest * 1.15)};
    }
    return {500, 5000};
}

// ---- Speed ------------------------------------------------------------------------------

Speed620Page::Speed620Page() : WizardPage("Speed Setup") {
    form.Add({.id = kMode,
              .kind = FieldKind::Radio,
              .items = {"Setup for Single Speed operation", "Setup for Multiple Speed operation"}});
    form.Add({.id = kCount,
              .kind = FieldKind::Choice,
              .label = "Select the number of speeds:",
              .items = {"2 Speed", "3 Speed", "4 Speed", "Variable Speed"},
              .visible = false});
    AddSpeedEdits(form);
}

void Speed620Page::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    const int current = static_cast<int>(sheet.value("SWITCH_CONFIGURATION"));
    form.at(kMode).selection = current == 1 ? 0 : 1;
    if (current >= 2 && current <= kVariableSpeed) form.at(kCount).selection = current - 2;
    FillSpeedEdits(sheet, form, current == kVariableSpeed);
}

PageMove Speed620Page::Next(WizardSheet& sheet) {
    switch (step) {
        case 1:
            return ChooseMode(sheet);
        case 2:
            return ChooseCount(sheet);
        case 3:
        case 4:
            return TakeEntries(sheet);
        default:
            sheet.prompt().plain("Internal State Error");
            return PageMove::Stay;
    }
}

PageMove Speed620Page::ChooseMode(WizardSheet& sheet) {
    const int mode = form.selection(kMode);
    if (mode == 0) {
        speeds.count = 1;
        ShowSpeedEdits(form, 1, "Enter Desired Speed");
        step = 3;
    } else if (mode == 1) {
        form.Show(kCount);
        form.Enable(kCount);
        step = 2;
    } else {
        sheet.prompt().plain("You must select a Speed mode");
        return PageMove::Stay;
    }
    form.Enable(kMode, false);
    return PageMove::Stay;
}

PageMove Speed620Page::ChooseCount(WizardSheet& sheet) {
    const int chosen = form.selection(kCount);
    if (chosen < 0) {
        sheet.prompt().plain("You must select Number of Speeds");
        return PageMove::Stay;
    }
    speeds.count = chosen + 2;
    ShowSpeedEdits(form, speeds.count, "");
    step = speeds.count <= 4 ? 3 : 4;
    form.Enable(kCount, false);
    return PageMove::Stay;
}

// Step 3 the fixed speeds, step 4 the variable speed; either keeps its lowest and highest.
PageMove Speed620Page::TakeEntries(WizardSheet& sheet) {
    if (step == 3 && (speeds.count < 1 || speeds.count > 4)) {
        sheet.prompt().plain("Go Back. You must select Number of Speeds");
        return PageMove::Stay;
    }
    EntryValues values = SpeedValues(kSpeedBounds);
    if (!CheckSpeedEdits(sheet, form, speeds.count, values)) return PageMove::Stay;
    TakeSpeeds(values, speeds);
    if (speeds.count == kVariableSpeed) {
        lowest = speeds.minimum;
        highest = speeds.maximum;
    } else {
        lowest = *std::min_element(speeds.speeds, speeds.speeds + speeds.count);
        highest = *std::max_element(speeds.speeds, speeds.speeds + speeds.count);
    }
    return PageMove::Next;
}

PageMove Speed620Page::Back(WizardSheet&) {
    if (step == 1) return PageMove::Previous;
    for (WizardField& field : form.fields()) {
        if (field.id != kMode) field.visible = false;
    }
    form.Enable(kMode);
    step = 1;
    return PageMove::Stay;
}

// ---- the sheet --------------------------------------------------------------------------

Zevar620Wizard::Zevar620Wizard(std::string strategyPath, WizardLinks links)
    : WizardSheet("ZEVAR 620 Calibration Wizard", std::move(strategyPath), links) {}

const WizardRequirements& Zevar620Wizard::requirements() const {
    return *RequirementsFor(ModelKind::Zevar620);
}

std::vector<std::unique_ptr<WizardPage>> Zevar620Wizard::BuildPages() {
    std::vector<std::unique_ptr<WizardPage>> pages;
    auto engine = std::make_unique<Engine740Page>(
        PickupEngineRules{.typeScalar = "OPTIONS", .sparksHalved = true});
    engine_ = engine.get();
    pages.push_back(std::move(engine));
    auto speed = std::make_unique<Speed620Page>();
    speed_ = speed.get();
    pages.push_back(std::move(speed));
    return pages;
}

std::vector<SummaryRow> Zevar620Wizard::Rows() {
    std::vector<SummaryRow> rows;
    if (engine_->skipped) {
        rows.push_back({"Engine Setup Skipped.", "", ""});
    } else if (engine_->inputType == 0) {
        rows.push_back({"Number of flywheel teeth", std::to_string(engine_->teeth), ""});
        rows.push_back({"Number engine cylinders", std::to_string(engine_->cylinders), ""});
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "%5.1f", static_cast<double>(engine_->sparks));
        rows.push_back({"Number Sparks Per Revolution", text, ""});
    }
    AddSpeedRows(rows, speed_->speeds);
    return rows;
}

void Zevar620Wizard::WriteAnswers() {
    if (!engine_->skipped) {
        // Through the scalar's scaling, as every other family writes PULSES_PER_REV: a raw
        // count would be misread by a strategy that keeps a binary point on it.
        Set("PULSES_PER_REV", engine_->pulsesPerRev);
        SetRaw("PULSES_PER_SAMPLE", static_cast<uint32_t>(engine_->pulsesPerUpdate));
    }
    SetRaw("SWITCH_CONFIGURATION", static_cast<uint32_t>(speed_->speeds.count));
    WriteSpeeds(*this, speed_->speeds);
}

std::pair<double, double> Zevar620Wizard::plotRange() const {
    return {speed_->lowest, speed_->highest};
}

std::pair<long long, long long> Zevar620Wizard::plotBounds() const {
    return Zevar620PlotBounds(speed_->lowest, speed_->highest);
}

std::array<std::string, 2> Zevar620Wizard::completeTexts() const {
    return {kString132, kString133};
}

std::string Zevar620Wizard::completeHeading() const {
    return "The ZEVAR Calibration Wizard has been completed!";
}

}  // namespace zvr
