#include "wizard/wizard_families.h"

#include "families/family_registry.h"
#include "wizard/kms2_wizard.h"
#include "wizard/lpn310_wizard.h"
#include "wizard/zevar210_wizard.h"
#include "wizard/zevar620_wizard.h"
#include "wizard/zevar740_wizard.h"
#include "wizard/zevar880_wizard.h"

namespace zvr {

namespace {

// The one part of a family that lives above the family registry: the sheet of its wizard,
// made on the strategy file at path for a controller whose identification text is identifier.
struct WizardMaker {
    ModelKind kind;
    std::unique_ptr<WizardSheet> (*make)(const std::string& path, std::string_view identifier,
                                         WizardLinks links);
};

constexpr WizardMaker kMakers[] = {
    {ModelKind::Zevar880,
     [](const std::string& path, std::string_view, WizardLinks links)
         -> std::unique_ptr<WizardSheet> { return std::make_unique<Zevar880Wizard>(path, links); }},
    {ModelKind::Zevar740,
     [](const std::string& path, std::string_view identifier,
        WizardLinks links) -> std::unique_ptr<WizardSheet> {
         // The identifier's first letter decides which analog inputs the unit offers.
         const char letter = identifier.empty() ? ' ' : identifier[0];
         return std::make_unique<Zevar740Wizard>(path, letter, links);
     }},
    {ModelKind::Zevar620,
     [](const std::string& path, std::string_view, WizardLinks links)
         -> std::unique_ptr<WizardSheet> { return std::make_unique<Zevar620Wizard>(path, links); }},
    {ModelKind::Zevar210,
     [](const std::string& path, std::string_view, WizardLinks links)
         -> std::unique_ptr<WizardSheet> { return std::make_unique<Zevar210Wizard>(path, links); }},
    {ModelKind::Lpn310,
     [](const std::string& path, std::string_view, WizardLinks links)
         -> std::unique_ptr<WizardSheet> { return std::make_unique<Lpn310Wizard>(path, links); }},
    {ModelKind::Kms2,
     [](const std::string& path, std::string_view, WizardLinks links)
         -> std::unique_ptr<WizardSheet> { return std::make_unique<Kms2Wizard>(path, links); }},
};

const WizardMaker* MakerFor(ModelKind kind) {
    for (const WizardMaker& maker : kMakers) {
        if (maker.kind == kind) return &maker;
    }
    return nullptr;
}

}  // namespace

bool HasWizard(ModelKind kind) { return kind != ModelKind::Unknown && MakerFor(kind) != nullptr; }

WizardSheetMaker WizardSheetFor(std::string_view strategyName, const std::string& strategyPath,
                                std::string_view identifier) {
    const ControllerModel* model = ModelForStrategyName(strategyName);
    if (model == nullptr || model->wizardTitle == nullptr) return {};
    const WizardMaker* maker = MakerFor(model->kind);
    if (maker == nullptr) return {};
    return [make = maker->make, strategyPath, id = std::string(identifier)](WizardLinks links) {
        return make(strategyPath, id, links);
    };
}

}  // namespace zvr
