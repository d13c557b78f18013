// Squashing and expanding the selected DFS disc objects in place, under the wait window with
// Cancel. Each disc is read, transformed (every side it holds) and written back as the new
// contents of its own catalogue entry; a failed rewrite leaves the entry as it was.
#include "ui/main/Main.h"
#include "ui/main/WaitProgress.h"

#include "ui/aux/NameText.h"

#include "explorer/DiscTransform.h"
#include "explorer/ObjectImages.h"
#include "ui/aux/Prompter.h"
#include "ui/main/MainJobUser.h"

#include <functional>
#include <unordered_map>
#include <variant>

using brelk::TBrelkCatEntry;
using brelk::TDiscTransformResult;

namespace {

// The window's side of the squash and expand job: each converted disc gets its new picture.
class TDiscTransformWindowUser final : public TPrompterJobUser {
  public:
    TDiscTransformWindowUser(TPrompter& prompter, brelk::TJobProgress& progress,
                             std::function<void(const TBrelkCatEntry&)> converted)
        : TPrompterJobUser(prompter, &progress), OnConverted(std::move(converted)) {}
    void Tell(const brelk::TReport& report) override {
        std::visit(brelk::TOverloaded{
                       [](const brelk::report::TObjectAdded&) {},
                       [this](const brelk::report::TDiscConverted& converted) {
                           OnConverted(*converted.Entry);
                       },
                   },
                   report);
    }

  private:
    std::function<void(const TBrelkCatEntry&)> OnConverted;
};

} // namespace

void TfrmMain::actnSquashDiscExecute() {
    TransformSelectedDiscs(true);
}

void TfrmMain::actnExpandDiscExecute() {
    TransformSelectedDiscs(false);
}

void TfrmMain::TransformSelectedDiscs(bool squash) {
    const QList<TMyTreeNode*> selected = SelectedNodes();
    if (IsBusy() || selected.isEmpty())
        return;
    TBusyScope busy(*this);
    std::vector<const TBrelkCatEntry*> entries;
    std::unordered_map<const TBrelkCatEntry*, TMyTreeNode*> nodes;
    for (TMyTreeNode* node : selected) {
        entries.push_back(node->Entry);
        nodes.emplace(node->Entry, node);
    }
    TMainWaitProgress progress(*this);
    TDiscTransformWindowUser user(Ask, progress, [this, &nodes](const TBrelkCatEntry& entry) {
        SetNodeImage(nodes.at(&entry), brelk::ObjectImageIndex(entry));
    });
    brelk::TransformDiscObjects(*Brelk, entries, squash, user);
    ShowObjectInfo(selected.first()->Entry);
    UpdateTopbarInfo();
}
