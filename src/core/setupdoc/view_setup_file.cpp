#include "setupdoc/view_setup_file.h"

#include "common/replacing_file.h"
#include "common/stored_text.h"
#include "setupdoc/setup_file.h"
#include "setupdoc/setup_node.h"

namespace zvr {

FileChoice ViewSetupFileChoice(FileChoiceMode mode) {
    return {.mode = mode,
            .title = mode == FileChoiceMode::Save
                         ? "Choose or create a file to save the view setup to."
                         : "Choose a file to open the view setup info.",
            .filter = kViewSetupFilter,
            .defaultExtension = kViewSetupExtension};
}

std::unique_ptr<SetupNode> BuildViewSetup(const ViewItems& items) {
    auto root = std::make_unique<SetupNode>();
    root->parseText(kEmptySetupDocument);
    for (const auto& item : items.entries()) {
        SetupNode& node = root->appendChild(item->name);
        node.setAttribute("ACCESS_LEVEL", item->accessLevel);
        node.setAttribute("PRECISION", item->precision);
        node.setAttribute("SCALING_BINPT", item->scaling.binaryPoint);
        node.setAttribute("SCALING_SZ", item->scaling.size);
        node.setAttribute("SCALING_TYPE", item->scaling.type);
        node.setAttribute("LIST_NUM", item->listNumber);
        node.setAttribute("VIEW_POS", item->position);
    }
    return root;
}

std::vector<ViewItemDef> ReadViewSetup(const SetupNode& root) {
    std::vector<ViewItemDef> items;
    for (const auto& node : root.children()) {
        if (node->name() == "ZVR" || node->name() == "xml") {
            continue;
        }
        // Each value is narrowed to its field as stored; a value out of range wraps.
        items.push_back({
            .accessLevel = static_cast<uint8_t>(node->intAttribute("ACCESS_LEVEL", 0)),
            .listNumber = static_cast<uint8_t>(node->intAttribute("LIST_NUM", 0)),
            .scaling = {.type = static_cast<char>(node->intAttribute("SCALING_TYPE", 'S')),
                        .size = static_cast<int16_t>(node->intAttribute("SCALING_SZ", 2)),
                        .binaryPoint = static_cast<int8_t>(node->intAttribute("SCALING_BINPT", 0))},
            .position = static_cast<uint8_t>(node->intAttribute("VIEW_POS", 0)),
            .precision = static_cast<uint8_t>(node->intAttribute("PRECISION", 0)),
            .name = node->name(),
        });
    }
    return items;
}

int SaveViewSetupFile(const ViewItems& items, const std::string& path, UserPrompt& prompt) {
    ReplacingFile file(path);
    if (!OpenSetupFileForWriting(file, prompt)) {
        return -1;
    }
    if (items.count() == 0) {
        // A new file is left empty, as the user asked for it; an existing one keeps its items.
        if (file.targetExists()) {
            file.abandon();
        } else {
            file.commit();
        }
        prompt.error("There are no item on list to save.");
        return -2;
    }
    return WriteSetupDocument(file, *BuildViewSetup(items), prompt) ? 0 : -3;
}

int OpenViewSetupFile(const std::string& path, ViewItems& items, UserPrompt& prompt) {
    SetupNode root;
    if (!ReadSetupFile(path, root, prompt)) {
        return -1;
    }
    if (root.children().empty()) {
        prompt.error("There are no items saved in list or invalid file.");
        return -2;
    }
    items.clear();
    for (ViewItemDef& item : ReadViewSetup(root)) {
        items.append(std::move(item));
    }
    return 0;
}

std::string ParameterListCaption(std::string_view path) {
    return "Parameter List : " + PathText(SetupFileName(path));
}

}  // namespace zvr
