#include "wizard/zevar620_wizard.h"

#include <algorithm>
#include <cstdio>

#include "strategy/strategy_check.h"
#include "wizard/wizard_entry.h"

namespace zvr {

namespace {

constexpr const char* kMode = "speed.mode";
constexpr const char* kCount = "speed.count";

std::string SpeedId(int number) { return "speed." + std::to_string(number); }

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
    for (int i = 1; i <= 4; ++i) {
        form.Add({.id = SpeedId(i), .kind = FieldKind::Edit, .visible = false});
    }
}

void Speed620Page::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    const int current = static_cast<int>(sheet.value("SWITCH_CONFIGURATION"));
    form.at(kMode).selection = current == 1 ? 0 : 1;
    if (current >= 2 && current <= 5) form.at(kCount).selection = current - 2;
    if (current == 5) {
        form.at(SpeedId(1)).text = sheet.valueText("SET_SPEED_MIN");
        form.at(SpeedId(2)).text = sheet.valueText("SET_SPEED_WARMUP");
        form.at(SpeedId(3)).text = sheet.valueText("SET_SPEED_MAX");
    } else {
        for (int i = 1; i <= 4; ++i) {
            form.at(SpeedId(i)).text = sheet.valueText("SET_SPEED_" + std::to_string(i));
        }
    }
}

PageMove Speed620Page::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    switch (step) {
        case 1: {
            const int mode = form.selection(kMode);
            if (mode == 0) {
                count = 1;
                form.at(SpeedId(1)).label = "Enter Desired Speed";
                form.Show(SpeedId(1));
                step = 3;
            } else if (mode == 1) {
                form.Show(kCount);
                form.Enable(kCount);
                step = 2;
            } else {
                prompt.plain("You must select a Speed mode");
                return PageMove::Stay;
            }
            form.Enable(kMode, false);
            return PageMove::Stay;
        }
        case 2: {
            const int chosen = form.selection(kCount);
            if (chosen < 0) {
                prompt.plain("You must select Number of Speeds");
                return PageMove::Stay;
            }
            count = chosen + 2;
            if (count <= 4) {
                for (int i = 1; i <= count; ++i) {
                    form.at(SpeedId(i)).label = "Set Speed " + std::to_string(i) + ":";
                    form.Show(SpeedId(i));
                }
                step = 3;
            } else {
                const char* labels[] = {"Min Speed", "Default Speed:", "Max Speed:"};
                for (int i = 1; i <= 3; ++i) {
                    form.at(SpeedId(i)).label = labels[i - 1];
                    form.Show(SpeedId(i));
                }
                step = 4;
            }
            form.Enable(kCount, false);
            return PageMove::Stay;
        }
        case 3:
            return SetSpeeds(sheet);
        case 4:
            return VariableSpeeds(sheet);
        default:
            prompt.plain("Internal State Error");
            return PageMove::Stay;
    }
}

PageMove Speed620Page::SetSpeeds(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    if (count < 1 || count > 4) {
        prompt.plain("Go Back. You must select Number of Speeds");
        return PageMove::Stay;
    }
    int entered[4] = {0, 0, 0, 0};
    for (int i = count; i >= 1; --i) {
        const std::string name = "Speed " + std::to_string(i);
        auto speed = EntryInteger(prompt, form, SpeedId(i), name);
        if (!speed || !sheet.RangeCheck(name, *speed, {850, 5000, 0, 32000})) {
            return PageMove::Stay;
        }
        entered[i - 1] = *speed;
    }
    std::copy(entered, entered + 4, speeds);
    lowest = *std::min_element(entered, entered + count);
    highest = *std::max_element(entered, entered + count);
    return PageMove::Next;
}

PageMove Speed620Page::VariableSpeeds(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    auto low = EntryInteger(prompt, form, SpeedId(1), "Min Speed");
    if (!low || !sheet.RangeCheck("Min Speed", *low, {850, 5000, 0, 32000})) {
        return PageMove::Stay;
    }
    auto high = EntryInteger(prompt, form, SpeedId(3), "Max Speed");
    if (!high || !sheet.RangeCheck("Max Speed", *high, {*low + 2.0, 5000, *low + 2.0, 32000})) {
        return PageMove::Stay;
    }
    auto middle = EntryInteger(prompt, form, SpeedId(2), "Default Speed");
    const RangeLimits between{*low + 1.0, *high - 1.0, *low + 1.0, *high - 1.0};
    if (!middle || !sheet.RangeCheck("Default Speed", *middle, between)) {
        return PageMove::Stay;
    }
    minimum = lowest = *low;
    maximum = highest = *high;
    defaultSpeed = *middle;
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
    const Speed620Page& page = *speed_;
    rows.push_back({"Single or Multiple speed", page.count == 1 ? "Single" : "Multiple", ""});
    if (page.count == 5) {
        rows.push_back({"Min Speed", std::to_string(page.minimum), "rpm"});
        rows.push_back({"Default Speed", std::to_string(page.defaultSpeed), "rpm"});
        rows.push_back({"Max Speed", std::to_string(page.maximum), "rpm"});
    } else {
        for (int i = 1; i <= page.count; ++i) {
            rows.push_back(
                {"Set Speed " + std::to_string(i), std::to_string(page.speeds[i - 1]), "rpm"});
        }
    }
    return rows;
}

void Zevar620Wizard::WriteAnswers() {
    if (!engine_->skipped) {
        // Through the scalar's scaling, as every other family writes PULSES_PER_REV: a raw
        // count would be misread by a strategy that keeps a binary point on it.
        Set("PULSES_PER_REV", engine_->pulsesPerRev);
        SetRaw("PULSES_PER_SAMPLE", static_cast<uint32_t>(engine_->pulsesPerUpdate));
    }
    const Speed620Page& page = *speed_;
    SetRaw("SWITCH_CONFIGURATION", static_cast<uint32_t>(page.count));
    if (page.count >= 1 && page.count <= 4) {
        for (int i = 1; i <= page.count; ++i) {
            Set("SET_SPEED_" + std::to_string(i), page.speeds[i - 1]);
        }
    } else if (page.count == 5) {
        Set("SET_SPEED_MIN", page.minimum);
        Set("SET_SPEED_WARMUP", page.defaultSpeed);
        Set("SET_SPEED_MAX", page.maximum);
    }
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
