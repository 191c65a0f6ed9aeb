// The ZEVAR 880 wizard's stepper page and its calibration process: the travel is written,
// the motor is powered up with its direction set to 3, and, unless the person skips it, the
// controller drives the motor from the centre to one end; the end it reached gives the
// direction code the Summary writes to STEP_CONFIG.

#include "wizard/zevar880_wizard.h"

#include <algorithm>

#include "comm/request_book.h"
#include "common/user_prompt.h"
#include "definitions/scaling.h"
#include "wizard/governor_fields.h"

namespace zvr {

namespace {

constexpr const char* kStepper = "stepper.";
constexpr const char* kTravel = "stepper.degrees";

// Process states: the write each waits for. After state 3's write the centre-position
// question is asked; after state 4's the direction dialog opens.
enum : int {
    kWritingTravel = 0,
    kWritingModeOff = 1,
    kWritingConfig = 2,
    kWritingPowerOff = 3,
    kWritingDrive = 4,
    kWritingCal = 5,
    kWritingModeIdle = 6,
    kWritingPowerOn = 7,
    kRestoring = 8,
};

ProcessPrompt DirectionPrompt() {
    ProcessPrompt prompt;
    prompt.text =
        "The Stepper motor should have powered up and moved either to its full travel position "
        "or its full closed position. Choose the following options to calibrate the stepper "
        "direction.";
    prompt.caption = kStepperProcessCaption;
    prompt.label = "The Stepper Motor....";
    prompt.buttons = {
        {kStepperFullTravel,
         "Click here if the motor moved from the center position to full throttle.",
         ProcessAnswer::MovedFullTravel},
        {kStepperClosed, "Click here if the motor moved from the center position to full closed",
         ProcessAnswer::MovedClosed},
        {kStepperDidntMove, "Click here if the motor did not move or is not under power.",
         ProcessAnswer::DidntMove}};
    prompt.escapeAborts = false;
    return prompt;
}

}  // namespace

int StepsForDegrees(int degrees) { return static_cast<int>(degrees * 0.5555555555555556); }

int DegreesForSteps(int steps) { return static_cast<int>(steps * 1.8); }

StepperPage::StepperPage() : WizardPage("Configure Stepper Motor") {
    AddEntries(form, kStepper, std::span(&StepperTravel(), 1), true);
}

void StepperPage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    form.at(kTravel).text = std::to_string(static_cast<int>(sheet.value("STEP_MAX_STEP") * 1.8));
}

PageMove StepperPage::Next(WizardSheet& sheet) {
    switch (step) {
        case 1: {
            EntryValues values;
            if (!CheckEntry(sheet, form, kStepper, StepperTravel(), values)) return PageMove::Stay;
            steps = StepsForDegrees(values.whole(StepperTravel().key));
            form.Enable(kTravel, false);
            step = 2;
            StartProcess(sheet);
            return PageMove::Stay;
        }
        case 2:
            return PageMove::Stay;
        case 3:
            return PageMove::Next;
        default:
            sheet.prompt().plain("Internal State Error");
            return PageMove::Stay;
    }
}

PageMove StepperPage::Back(WizardSheet&) {
    switch (step) {
        case 1:
            return PageMove::Previous;
        case 3:
            step = 1;
            form.Enable(kTravel);
            return PageMove::Stay;
        default:
            return PageMove::Stay;
    }
}

// ---- the process ------------------------------------------------------------------------

bool StepperPage::Write(WizardSheet& sheet, const char* name, uint32_t raw) {
    const ScalarDef* def = sheet.scalar(name);
    if (def == nullptr) {
        running_ = false;
        sheet.EndWith(WizardEnd::Failed);
        return false;
    }
    if (std::find(written_.begin(), written_.end(), name) == written_.end()) {
        written_.emplace_back(name);
    }
    const RequestResult result = sheet.requests().WriteScalar(
        static_cast<uint16_t>(def->eepromAddress), static_cast<uint16_t>(raw), def->scaling.size,
        [this, &sheet](const RequestOutcome& outcome) {
            if (outcome.ok()) {
                Advance(sheet);
            } else {
                CommunicationFailed(sheet);
            }
        });
    if (result != RequestResult::Sent) {
        CommunicationFailed(sheet);
        return false;
    }
    return true;
}

void StepperPage::CommunicationFailed(WizardSheet& sheet) {
    running_ = false;
    sheet.prompt().error("There was an communication error. The Wizard will close.");
    sheet.MarkLineFailed();
    sheet.EndWith(WizardEnd::Failed);
}

bool StepperPage::WriteScaled(WizardSheet& sheet, const char* name, double value) {
    const ScalarDef* def = sheet.scalar(name);
    return Write(sheet, name, def ? EngToRaw(value, def->scaling) : 0);
}

void StepperPage::StartProcess(WizardSheet& sheet) {
    processActive = true;
    running_ = true;
    retry = false;
    directionSkipped = false;
    const ScalarDef* def = sheet.scalar("STEP_MAX_STEP");
    writtenMaxStep = def ? EngToRaw(steps, def->scaling) : 0;
    sheet.SetButtons(kWizardNoButtons);
    processState = kWritingTravel;
    Write(sheet, "STEP_MAX_STEP", writtenMaxStep);
}

void StepperPage::Advance(WizardSheet& sheet) {
    switch (processState) {
        case kWritingTravel:
            processState = kWritingModeOff;
            Write(sheet, "STEP_MODE", 0);
            return;
        case kWritingModeOff:
            processState = kWritingConfig;
            Write(sheet, "STEP_CONFIG", 3);
            return;
        case kWritingConfig:
            processState = kWritingPowerOff;
            Write(sheet, "STEP_POWER_DN", 0);
            return;
        case kWritingPowerOff:
            AskDirection(sheet);
            return;
        case kWritingCal:
            processState = kWritingDrive;
            Write(sheet, "STEP_MODE", 2);
            return;
        case kWritingDrive:
            dialogOpen_ = true;
            sheet.OpenProcess(DirectionPrompt());
            return;
        case kWritingModeIdle:
            processState = kWritingPowerOn;
            WriteScaled(sheet, "STEP_POWER_DN", 15);
            return;
        case kWritingPowerOn:
            running_ = false;
            sheet.SetButtons(kWizardBackNext);
            if (retry) {
                step = 1;
                form.Enable(kTravel);
                sheet.Refresh();
            } else {
                step = 3;
                sheet.MoveNext();
            }
            return;
        default:
            return;
    }
}

void StepperPage::AskDirection(WizardSheet& sheet) {
    const PromptAnswer answer = sheet.prompt().show(
        {"Position the stepper shaft to the center of travel.\nClick OK When Done and hands are "
         "clear.\n\nClick Cancel to skip the direction calibration.\n",
         kApplicationCaption, PromptIcon::Information, PromptButtons::OkCancel});
    if (sheet.ended() || !running_) return;  // cancelled while the question was open
    if (answer == PromptAnswer::Ok) {
        processState = kWritingCal;
        WriteScaled(sheet, "STEP_CAL", 0);
    } else {
        directionSkipped = true;
        processState = kWritingModeIdle;
        Write(sheet, "STEP_MODE", 0);
    }
}

void StepperPage::Answered(WizardSheet& sheet, ProcessAnswer answer) {
    if (!dialogOpen_) return;
    dialogOpen_ = false;
    switch (answer) {
        case ProcessAnswer::MovedFullTravel:
            directionCode = kStepperFullTravelCode;
            break;
        case ProcessAnswer::MovedClosed:
            directionCode = kStepperClosedCode;
            break;
        default:
            if (sheet.prompt().show({"Check the stepper motor wiring.\nClick Retry to start over "
                                     "or Cancel to skip this step.\n",
                                     kApplicationCaption, PromptIcon::Question,
                                     PromptButtons::RetryCancel}) == PromptAnswer::Retry) {
                retry = true;
            } else {
                directionSkipped = true;
            }
            if (sheet.ended() || !running_) return;
            break;
    }
    processState = kWritingModeIdle;
    Write(sheet, "STEP_MODE", 0);
}

// ---- the restore on cancel --------------------------------------------------------------

// The motor is stopped first (STEP_MODE), then the rest goes back to what the Welcome
// page's whole read found, so that a cancelled wizard leaves the stepper as it was.
bool StepperPage::StartRestore(WizardSheet& sheet) {
    if (!processActive || sheet.written()) return false;
    processActive = false;
    running_ = false;
    dialogOpen_ = false;
    processState = kRestoring;
    sheet.SetButtons(kWizardNoButtons);
    toRestore_.clear();
    restoreFailed_.clear();
    for (const char* name :
         {"STEP_MODE", "STEP_CAL", "STEP_CONFIG", "STEP_POWER_DN", "STEP_MAX_STEP"}) {
        if (std::find(written_.begin(), written_.end(), name) != written_.end()) {
            toRestore_.emplace_back(name);
        }
    }
    RestoreNext(sheet);
    return true;
}

void StepperPage::RestoreNext(WizardSheet& sheet) {
    const auto restored = [this, &sheet](const RequestOutcome& outcome) {
        if (!outcome.ok()) restoreFailed_.push_back(toRestore_.front());
        toRestore_.erase(toRestore_.begin());
        RestoreNext(sheet);
    };
    while (!toRestore_.empty()) {
        const ScalarDef* def = sheet.scalar(toRestore_.front());
        if (def != nullptr &&
            sheet.requests().WriteScalar(static_cast<uint16_t>(def->eepromAddress),
                                         static_cast<uint16_t>(def->controllerRaw),
                                         def->scaling.size, restored) == RequestResult::Sent) {
            return;  // its completion continues the restore
        }
        restoreFailed_.push_back(toRestore_.front());
        toRestore_.erase(toRestore_.begin());
    }
    if (!restoreFailed_.empty()) {
        std::string names;
        for (const std::string& name : restoreFailed_) {
            names += (names.empty() ? "" : ", ") + name;
        }
        sheet.prompt().error(
            "There was an error restoring the original Stepper Motor values. The controller may "
            "hold the values of the cancelled stepper calibration. You must run the wizard "
            "again or set " +
            names + " manually.");
        sheet.MarkLineFailed();
    }
    sheet.EndWith(WizardEnd::Cancelled);
}

}  // namespace zvr
