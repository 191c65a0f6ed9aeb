// The ZEVAR 740 wizard's analog input page and its calibration process: the controller is
// put into calibration (EXTERNAL_ANALOG_MODE 0, then 255), its readings are watched while the
// person moves the input to each end, and the mode is written to 3, on which the controller
// stores APP_MIN_CAL and APP_RANGE_CAL itself.

#include <string_view>

#include "comm/controller_protocol.h"
#include "common/user_prompt.h"
#include "wizard/governor_fields.h"
#include "wizard/zevar740_wizard.h"

namespace zvr {

namespace {

// Notifications of the process' requests.
constexpr uint32_t kReadSet = 1124;
constexpr uint32_t kReadFailed = 1125;
constexpr uint32_t kWriteDone = 1126;
constexpr uint32_t kWriteFailed = 1127;
// Notifications of the restore on cancel.
constexpr uint32_t kRestoreMinimumDone = 1128;
constexpr uint32_t kRestoreModeDone = 1129;
constexpr uint32_t kRestoreRangeDone = 1130;
constexpr uint32_t kRestoreFailed = 1131;

constexpr int kIdleSwitchBit = 0x08;

constexpr const char* kRestoreError =
    "There was an error restoring the original Analog Calibration values. You must run the "
    "wizard again or APP_MIN_CAL and APP_RANGE_CAL manually";

enum ProcessState { kWriting0 = 0, kWriting255 = 1, kReading = 2, kDialogs = 3, kWriting3 = 4 };

const char* const kLiveVariables[] = {"adc_app", "app_min", "app_range", "switch_f_debounced"};

// The analog input's items, indexed as AnalogMode; an item with letters is offered only where
// the strategy identifier's first letter is one of them.
struct AnalogItem {
    const char* text;
    std::string_view letters;
};
constexpr AnalogItem kAnalogItems[] = {
    {"No analog input required", {}},
    {"Pedal Control for Drive-by-Wire Vehicles", {}},
    {"Pot or analog Control for stationary applications", {}},
    {"Trim Mode", {}},
    {"CAN Input", "RDCS"},
    {"Auto-idle mode", "S"},
};

}  // namespace

AnalogPage::AnalogPage(char identifierLetter) : WizardPage("Configure Analog Input") {
    std::vector<std::string> items;
    for (const AnalogItem& item : kAnalogItems) {
        if (item.letters.empty() || item.letters.find(identifierLetter) != std::string_view::npos) {
            items.emplace_back(item.text);
        }
    }
    form.Add({.id = "analog.mode",
              .kind = FieldKind::Choice,
              .label = "How should the Analog Input be configured?",
              .items = std::move(items)});
    form.Add({.id = "analog.ivs",
              .kind = FieldKind::Choice,
              .label = " Does the pedal have an Idle Verification Switch (IVS)?",
              .items = {"No", "Yes"},
              .visible = false});
    form.Add({.id = "analog.min",
              .kind = FieldKind::Live,
              .label = "Minimum value of adc_app:",
              .visible = false});
    form.Add(
        {.id = "analog.ivs_min", .kind = FieldKind::Live, .label = "IVS at MIN", .visible = false});
    form.Add({.id = "analog.max",
              .kind = FieldKind::Live,
              .label = "Maximum value of adc_app:",
              .visible = false});
    form.Add(
        {.id = "analog.ivs_max", .kind = FieldKind::Live, .label = "IVS at MAX", .visible = false});
    form.Add({.id = "analog.trim",
              .kind = FieldKind::Edit,
              .label = "What is the trim rpm?\n(trim value is max + or - deviation from set speed)",
              .visible = false});
}

void AnalogPage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    const AnalogPreselection chosen =
        PreselectAnalog(sheet.valueText("EXTERNAL_ANALOG_MODE"), canAndAutoIdle);
    WizardField& combo = form.at("analog.mode");
    const bool offered = chosen.mode >= 0 && chosen.mode < static_cast<int>(combo.items.size());
    combo.selection = offered ? chosen.mode : -1;
    if (chosen.mode == kAnalogTrim) form.at("analog.trim").text = sheet.valueText("SET_SPEED_TRIM");
    if (chosen.ivs >= 0) form.at("analog.ivs").selection = chosen.ivs;
    previousMode = offered ? chosen.mode : -1;
    previousIvs = chosen.ivs;
    previousReversed = chosen.reversed;
    previousIvsSet = chosen.ivsSetAtMinimum;
}

PageMove AnalogPage::Next(WizardSheet& sheet) {
    switch (step) {
        case 1: {
            const int chosen = form.selection("analog.mode");
            if (chosen < 0) return PageMove::Stay;
            mode = chosen;
            ivsPresent = false;
            if (mode == kAnalogNone || mode == kAnalogCan) return PageMove::Next;
            form.Enable("analog.mode", false);
            if (mode == kAnalogPedal) {
                prefix_ = "Move pedal ";
                form.Show("analog.ivs");
                form.Enable("analog.ivs");
                step = 2;
                return PageMove::Stay;
            }
            prefix_ = mode == kAnalogTrim ? "Move Trim " : "Move Potentiometer ";
            StartProcess(sheet);
            return PageMove::Stay;
        }
        case 2: {
            const int ivs = form.selection("analog.ivs");
            if (ivs != 0 && ivs != 1) {
                sheet.prompt().error("Must choose IVS Yes or No");
                return PageMove::Stay;
            }
            ivsPresent = ivs == 1;
            form.Enable("analog.ivs", false);
            StartProcess(sheet);
            return PageMove::Stay;
        }
        case 3:
            return PageMove::Stay;
        case 4:
            if (mode == kAnalogTrim) {
                form.Show("analog.trim");
                form.Enable("analog.trim");
                step = 6;
                return PageMove::Stay;
            }
            if (Validate(sheet)) return PageMove::Next;
            step = 5;
            return PageMove::Stay;
        case 5:
            StartProcess(sheet);
            return PageMove::Stay;
        case 6:
            if (Validate(sheet)) return PageMove::Next;
            step = 5;
            return PageMove::Stay;
        default:
            sheet.prompt().plain("Internal State Error");
            return PageMove::Stay;
    }
}

PageMove AnalogPage::Back(WizardSheet&) {
    switch (step) {
        case 1:
            return PageMove::Previous;
        case 3:
            return PageMove::Stay;
        default:
            for (WizardField& field : form.fields()) {
                if (field.id != "analog.mode") field.visible = false;
            }
            form.Enable("analog.mode");
            step = 1;
            return PageMove::Stay;
    }
}

bool AnalogPage::Validate(WizardSheet& sheet) {
    if (sheet.demo()) return true;
    UserPrompt& prompt = sheet.prompt();
    // A skipped step took no readings: there is nothing to judge them by.
    if (!skipped) {
        if (mode == kAnalogPedal && maximumCapture < minimumCapture) {
            prompt.error(
                "The min pot value is greater than the max.\nCorrect the sense of the "
                "sensor and click Next to retry.");
            return false;
        }
        if (ivsPresent && ivsAtMinimum == ivsAtMaximum) {
            prompt.error(
                "IVS Switch did not transition.\nCorrect problem and click Next to retry.");
            return false;
        }
    }
    if (mode == kAnalogTrim) {
        EntryValues values;
        if (!CheckEntry(sheet, form, "analog.", AnalogTrim(), values)) return false;
        trimRpm = values.whole(AnalogTrim().key);
    }
    return true;
}

int AnalogPage::ModeCode(int speedCount) const {
    AnalogCodeInput input{.mode = mode, .speedCount = speedCount, .ivsPresent = ivsPresent};
    if (skipped) {
        // Skipping keeps the previous configuration: its sense and its idle switch state.
        input.reversed = previousReversed;
        input.ivsSetAtMinimum = previousIvsSet;
    } else {
        input.reversed = ReversedSense(minimumCapture, maximumCapture);
        input.ivsSetAtMinimum = ivsAtMinimum;
    }
    return AnalogModeCode(input);
}

// ---- the process ------------------------------------------------------------------------

void AnalogPage::StartProcess(WizardSheet& sheet) {
    const ScalarDef* code = sheet.scalar("EXTERNAL_ANALOG_MODE");
    bool found = code != nullptr;
    for (const char* name : kLiveVariables)
        found = found && sheet.variable(name) != nullptr;
    if (!found) {
        sheet.prompt().error("Fatal Error. Could not start analog calibration.");
        sheet.Cancel();
        return;
    }
    calibrationActive = true;
    if (!savedValid) {
        savedValid = true;
        savedRange =
            sheet.scalar("APP_RANGE_CAL") ? sheet.scalar("APP_RANGE_CAL")->controllerRaw : 0;
        savedMinimum = sheet.scalar("APP_MIN_CAL") ? sheet.scalar("APP_MIN_CAL")->controllerRaw : 0;
    }
    skipped = false;
    processRunning_ = true;
    processState = kWriting0;
    sheet.SetButtons(kWizardNoButtons);
    step = 3;
    Write(sheet, "EXTERNAL_ANALOG_MODE", 0, kWriteDone);
}

bool AnalogPage::Write(WizardSheet& sheet, const char* name, uint32_t raw, uint32_t done) {
    const ScalarDef* def = sheet.scalar(name);
    const uint32_t failed = restoring_ ? kRestoreFailed : kWriteFailed;
    if (def == nullptr || sheet.link().RequestWriteScalar(
                              static_cast<uint16_t>(def->eepromAddress), static_cast<uint16_t>(raw),
                              def->scaling.size, sheet.self(), done, failed) != 0) {
        // A refused request (the link has gone): the sheet ends at once, saying what it
        // leaves in the controller.
        if (restoring_) {
            restoring_ = false;
            sheet.prompt().error(kRestoreError);
        } else if (processRunning_) {
            CommunicationFailed(sheet);
            return false;
        }
        processRunning_ = false;
        sheet.MarkLineFailed();
        sheet.EndWith(WizardEnd::Failed);
        return false;
    }
    return true;
}

bool AnalogPage::Handle(WizardSheet& sheet, const PostedMessage& message) {
    if (restoring_) {
        RestoreNext(sheet, message);
        return true;
    }
    if (!processRunning_) return false;
    switch (message.message) {
        case kReadSet:
            if (!reading_) return true;  // a set that was on its way when the read stopped
            if (processState == kReading) {
                processState = kDialogs;
                dialog_ = 1;
                ShowCaptureLines(false, true);
                StoreLive(sheet);
                const bool skipOffered = sheet.startMode() == 1 && previousMode == mode &&
                                         (previousIvs == -1 || previousIvs == (ivsPresent ? 1 : 0));
                sheet.Refresh();
                sheet.OpenProcess(
                    {prefix_ + "to the minimum speed position, then click Done.", skipOffered});
                return true;
            }
            StoreLive(sheet);
            sheet.RefreshLive();
            return true;
        case kWriteDone:
            if (processState == kWriting0) {
                processState = kWriting255;
                Write(sheet, "EXTERNAL_ANALOG_MODE", 255, kWriteDone);
            } else if (processState == kWriting255) {
                std::vector<uint16_t> addresses;
                for (const char* name : kLiveVariables) {
                    addresses.push_back(static_cast<uint16_t>(sheet.variable(name)->ramAddress));
                }
                processState = kReading;
                reading_ = true;
                if (sheet.link().RequestReadVariables(addresses, sheet.self(), kReadSet,
                                                      kReadFailed) != 0) {
                    CommunicationFailed(sheet);
                }
            } else if (processState == kWriting3) {
                processRunning_ = false;
                if (step != 5) step = 4;
                sheet.SetButtons(kWizardBackNext);
                if (step == 4 && skipped) {
                    sheet.MoveNext();
                    return true;
                }
                sheet.Refresh();
            }
            return true;
        case kReadFailed:
        case kWriteFailed:
            CommunicationFailed(sheet);
            return true;
        default:
            return true;
    }
}

void AnalogPage::StoreLive(WizardSheet& sheet) {
    const auto words = sheet.link().RequestValues();
    for (size_t i = 0; i < std::size(kLiveVariables); ++i) {
        VariableDef* live = sheet.variable(kLiveVariables[i]);
        const uint32_t raw = live->scaling.size == 1 ? words[i] >> 8 : words[i];
        live->setCurrentValue(raw);
    }
    const std::string adc = sheet.variable("adc_app")->currentText;
    const bool ivs = (sheet.variable("switch_f_debounced")->currentRaw & kIdleSwitchBit) != 0;
    // Only the lines of the capture under way follow the live values.
    if (dialog_ == 1) {
        form.at("analog.min").text = adc;
        form.at("analog.ivs_min").selection = ivs ? 1 : 0;
    } else if (dialog_ == 2) {
        form.at("analog.max").text = adc;
        form.at("analog.ivs_max").selection = ivs ? 1 : 0;
    }
}

void AnalogPage::ShowCaptureLines(bool maximum, bool show) {
    form.Show(maximum ? "analog.max" : "analog.min", show);
    form.Show(maximum ? "analog.ivs_max" : "analog.ivs_min", show && ivsPresent);
}

void AnalogPage::HideCaptureLines() {
    ShowCaptureLines(false, false);
    ShowCaptureLines(true, false);
}

void AnalogPage::Answered(WizardSheet& sheet, ProcessAnswer answer) {
    if (!processRunning_ || processState != kDialogs) return;
    const VariableDef* adc = sheet.variable("adc_app");
    const bool ivsNow = (sheet.variable("switch_f_debounced")->currentRaw & kIdleSwitchBit) != 0;
    if (dialog_ == 1) {
        if (answer == ProcessAnswer::Done) {
            minimumCapture = static_cast<int>(adc->currentRaw);
            ivsAtMinimum = ivsNow;
            dialog_ = 2;
            ShowCaptureLines(true, true);
            sheet.Refresh();
            sheet.OpenProcess({prefix_ + "to the maximum speed position, then click Done.", false});
            return;
        }
        HideCaptureLines();
        if (answer == ProcessAnswer::AbortAndStartOver) step = 5;
        if (answer == ProcessAnswer::Skip) skipped = true;
    } else if (answer == ProcessAnswer::Done) {
        maximumCapture = static_cast<int>(adc->currentRaw);
        ivsAtMaximum = ivsNow;
        appMin = static_cast<int>(sheet.variable("app_min")->currentRaw);
        appRange = static_cast<int>(sheet.variable("app_range")->currentRaw);
        if (ivsPresent && ivsAtMinimum == ivsAtMaximum) {
            sheet.prompt().warn(
                "IVS Switch did not change state from Min to Max. Analog "
                "Calibration Canceled.",
                kProcessCaption);
            HideCaptureLines();
            step = 5;
        }
    } else {
        HideCaptureLines();
        step = 5;
    }
    FinishDialogs(sheet);
}

void AnalogPage::FinishDialogs(WizardSheet& sheet) {
    dialog_ = 0;
    StopReading(sheet);
    processState = kWriting3;
    sheet.Refresh();
    Write(sheet, "EXTERNAL_ANALOG_MODE", 3, kWriteDone);
}

void AnalogPage::StopReading(WizardSheet& sheet) {
    if (!reading_) return;
    reading_ = false;
    sheet.link().RequestStop();
}

void AnalogPage::CommunicationFailed(WizardSheet& sheet) {
    StopReading(sheet);
    processRunning_ = false;
    sheet.prompt().error("There was an communication error. The Wizard will close.");
    sheet.prompt().warn(kAnalogLeftUnfinished);
    sheet.MarkLineFailed();
    sheet.EndWith(WizardEnd::Failed);
}

// ---- the restore on cancel --------------------------------------------------------------

bool AnalogPage::StartRestore(WizardSheet& sheet) {
    if (!calibrationActive) return false;
    calibrationActive = false;
    StopReading(sheet);
    processRunning_ = false;
    dialog_ = 0;
    restoring_ = true;
    sheet.SetButtons(kWizardNoButtons);
    // The mode first: a controller leaving calibration stores its readings as APP_MIN_CAL and
    // APP_RANGE_CAL, which would overwrite values put back before it.
    const ScalarDef* code = sheet.scalar("EXTERNAL_ANALOG_MODE");
    return Write(sheet, "EXTERNAL_ANALOG_MODE", code ? code->controllerRaw : 0, kRestoreModeDone);
}

void AnalogPage::RestoreNext(WizardSheet& sheet, const PostedMessage& message) {
    switch (message.message) {
        case kRestoreModeDone:
            Write(sheet, "APP_RANGE_CAL", savedRange, kRestoreRangeDone);
            return;
        case kRestoreRangeDone:
            Write(sheet, "APP_MIN_CAL", savedMinimum, kRestoreMinimumDone);
            return;
        case kRestoreMinimumDone:
            restoring_ = false;
            if (restoreEndsSheet) sheet.EndWith(WizardEnd::Cancelled);
            return;
        case kRestoreFailed:
            restoring_ = false;
            sheet.prompt().error(kRestoreError);
            sheet.MarkLineFailed();
            if (restoreEndsSheet) sheet.EndWith(WizardEnd::Cancelled);
            return;
        default:
            return;  // a read set still on its way
    }
}

}  // namespace zvr
