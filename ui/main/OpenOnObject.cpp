#include "ui/main/OpenOnObject.h"

#include "ui/aux/NameText.h"
#include "ui/main/Main.h"
#include "ui/main/MainWidgets.h"

#include <QTreeWidgetItemIterator>

bool OpenOnObject(TfrmMain& main, const QString& name) {
    main.FillAllGroups();
    main.treevwObjects->expandAll();
    std::string wanted;
    if (!CardNameFromText(name, wanted))
        return false;
    for (QTreeWidgetItemIterator it(main.treevwObjects); *it; ++it) {
        if ((*it)->type() != TMyTreeNode::kNodeType)
            continue;
        auto* node = static_cast<TMyTreeNode*>(*it);
        if (node->Entry && brelk::SameName(node->Entry->Name(), wanted)) {
            main.treevwObjects->setCurrentItem(node);
            main.treevwObjects->scrollToItem(node);
            return true;
        }
    }
    return false;
}
