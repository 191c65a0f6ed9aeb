#include "connection/controller_model.h"

#include "connection/command_ids.h"

namespace zvr {

std::string ModelNameForKind(ModelKind kind) {
    const ControllerModel* model = ModelForKind(kind);
    return model ? model->modelName : "";
}

bool IsDemoKey(std::string_view portName) { return portName.starts_with("DEMO"); }

int PortNumber(std::string_view portName) {
    int number = 0;
    for (size_t i = 3; i < portName.size() && portName[i] >= '0' && portName[i] <= '9'; ++i) {
        number = number * 10 + (portName[i] - '0');
        if (number > 1'000'000) break;
    }
    return number;
}

std::optional<std::string> ProductMenuText(int command, std::string_view productWord) {
    const char* pattern = nullptr;
    switch (command) {
        case kCmdSaveCal:
            pattern = "&Save %s Cal to File";
            break;
        case kCmdConvertControllerToText:
            pattern = "Convert %s Cal to text";
            break;
        case kCmdChangeCalibration:
            pattern = "Change %s Calibration";
            break;
        case kCmdDownloadCal:
            pattern = "Download Cal File to %s";
            break;
        case kCmdCompareCal:
            pattern = "Compare %s Cal to File";
            break;
        case kCmdChangePassword:
            pattern = "Change %s Password";
            break;
        default:
            return std::nullopt;
    }
    std::string text = pattern;
    text.replace(text.find("%s"), 2, productWord);
    return text;
}

int ConfigureEntryFor(std::string_view portName) {
    if (portName == "COM1") return kCmdCom1;
    if (portName == "COM2") return kCmdCom2;
    if (const ControllerModel* model = ModelForDemoKey(portName)) return model->menuCommand;
    return kCmdCustomPort;
}

int PortDialogButtonFor(std::string_view portName) {
    if (portName == "COM1") return kButtonCom1;
    if (portName == "COM2") return kButtonCom2;
    if (const ControllerModel* model = ModelForDemoKey(portName)) return model->buttonId;
    return kButtonCustom;
}

const ControllerModel* WizardModelFor(std::string_view strategyName) {
    const ControllerModel* model = ModelForStrategyName(strategyName);
    return model != nullptr && model->wizardTitle != nullptr ? model : nullptr;
}

std::string WizardRefusalText(std::string_view strategyName) {
    return "Could not start calibration Wizard. '" + std::string(strategyName) +
           "' is not a valid file type. Bad *.000 file.";
}

std::string ControlStrategyText(const Identification& identification) {
    return "\r\nModel:\t" + identification.modelName + "\t \r\nStrategy:\t" +
           identification.strategyText + "\t \r\n";
}

}  // namespace zvr
