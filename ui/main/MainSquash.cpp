// Squashing and expanding the selected DFS disc objects in place, under the wait window with
// Cancel. Each disc is read, transformed (every side it holds) and written back as the new
// contents of its own catalogue entry; a failed rewrite leaves the entry as it was.
#include "ui/main/Main.h"
#include "ui/main/WaitProgress.h"

#include "ui/aux/NameText.h"

#include "explorer/DiscTransform.h"
#include "explorer/ObjectImages.h"
#include "ui/aux/Prompter.h"

#include <functional>
#include <unordered_map>

using brelk::TBrelkCatEntry;
using brelk::TDiscTransformResult;

namespace {

// The window's side of the squash and expand job.
class TDiscTransformWindowUser final : public brelk::TDiscTransformUser {
  public:
    TDiscTransformWindowUser(std::function<void(const TBrelkCatEntry&)> converted,
                             std::function<void(const std::string&)> error)
        : OnConverted(std::move(converted)), OnError(std::move(error)) {}
    void Converted(const TBrelkCatEntry& entry, std::uint32_t) override { OnConverted(entry); }
    void ShowError(const std::string& text) override { OnError(text); }

  private:
    std::function<void(const TBrelkCatEntry&)> OnConverted;
    std::function<void(const std::string&)> OnError;
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
    TDiscTransformWindowUser user(
        [this, &nodes](const TBrelkCatEntry& entry) {
            SetNodeImage(nodes.at(&entry), brelk::ObjectImageIndex(entry));
        },
        [this](const std::string& text) {
            Ask.Message(QString::fromStdString(text), TPrompter::TIcon::Error,
                        TPrompter::TButtons::OK);
        });
    TMainWaitProgress progress(*this);
    brelk::TransformDiscObjects(*Brelk, entries, squash, user, &progress);
    ShowObjectInfo(selected.first()->Entry);
    UpdateTopbarInfo();
}
