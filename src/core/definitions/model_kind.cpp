#include "definitions/model_kind.h"

#include <algorithm>

namespace zvr {

ModelKind ClassifyStrategyName(std::string_view name) {
    const ControllerModel* model = ModelForStrategyName(name);
    return model != nullptr ? model->kind : ModelKind::Unknown;
}

bool ModelFromFileName(std::string_view path, FileNameModel& out) {
    std::string_view name = path;
    if (const size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    if (const size_t dot = name.find('.'); dot != std::string_view::npos && dot != 0) {
        name = name.substr(0, dot);
    }
    const ControllerModel* model = ModelForFileName(name);
    if (model == nullptr) return false;
    out.modelName = model->modelName;
    const size_t kept = std::min(name.size(), model->fileNameStrategyLength);
    out.strategy = std::string(name.substr(name.size() - kept));
    return true;
}

}  // namespace zvr
