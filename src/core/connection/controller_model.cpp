#include "connection/controller_model.h"

#include "connection/command_ids.h"

namespace zvr {

namespace {

// The model of a known kind; the ZEVAR 760, of no kind, is never found.
const ControllerModel* ModelForKind(ModelKind kind) {
    if (kind == ModelKind::Unknown) return nullptr;
    for (const ControllerModel& model : ControllerModels()) {
        if (model.kind == kind) return &model;
    }
    return nullptr;
}

}  // namespace

const std::array<ControllerModel, 7>& ControllerModels() {
    static const std::array<ControllerModel, 7> kModels{{
        {"ZEVAR 880", "DEMO880", "ZEVAR 880 DEMO", kCmdDemo880, "ZEVAR 880", 1173,
         ModelKind::Zevar880, "ZEVAR 880 Calibration Wizard"},
        {"ZEVAR 740", "DEMO740", "ZEVAR 740 DEMO", kCmdDemo740, "ZEVAR 740", 1172,
         ModelKind::Zevar740, "ZEVAR 740 Calibration Wizard"},
        {"", "DEMO760", "ZEVAR 760 DEMO", kCmdDemo760, "ZEVAR 760", 1174, ModelKind::Unknown, ""},
        {"ZEVAR 620", "DEMO620", "ZEVAR 620 DEMO", kCmdDemo620, "ZEVAR 620", 1170,
         ModelKind::Zevar620, "ZEVAR 620 Calibration Wizard"},
        {"ZEVAR 210", "DEMO210", "ZEVAR 210 DEMO", kCmdDemo210, "ZEVAR 210", 1175,
         ModelKind::Zevar210, "ZEVAR 210 Calibration Wizard"},
        {"LPN 310", "DEMO310", "LPN 310 DEMO", kCmdDemo310, "LPN 310", 1171, ModelKind::Lpn310,
         "ECM 310 Calibration Wizard"},
        {"KMS-2", "DEMOKMS2", "KMS-2 DEMO", kCmdDemoKms2, "KMS-2", 1176, ModelKind::Kms2,
         "KMS-2 Calibration Wizard"},
    }};
    return kModels;
}

const ControllerModel* ModelForDemoKey(std::string_view key) {
    for (const ControllerModel& model : ControllerModels()) {
        if (key == model.demoKey) return &model;
    }
    return nullptr;
}

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

std::string ProductWord(std::string_view strategyName) {
    if (strategyName.starts_with("KMS0")) return "KMS-2";
    if (strategyName.starts_with("RRQ")) return "LPN";
    return "ZEVAR";
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
    return ModelForKind(ClassifyStrategyName(strategyName));
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
