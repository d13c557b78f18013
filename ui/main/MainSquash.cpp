// Squashing and expanding the selected DFS disc objects in place, under the wait window with
// Cancel. Each disc is read, transformed (every side it holds) and written back as the new
// contents of its own catalogue entry; a failed rewrite leaves the entry as it was.
#include "ui/main/Main.h"

#include "ui/aux/NameText.h"

#include "explorer/DiscTransform.h"
#include "explorer/ObjectImages.h"
#include "ui/aux/Prompter.h"

using brelk::TBrelkCatEntry;
using brelk::TDiscTransformResult;

namespace {

bool IsDFSDisc(const TBrelkCatEntry* entry) {
    return entry && entry->Type() == brelk::kTypeImage && entry->Subtype() == brelk::kSubtypeDFS;
}

// The DFS discs among the nodes from index First on.
qsizetype DFSDiscsFrom(const QList<TMyTreeNode*>& nodes, qsizetype first) {
    qsizetype count = 0;
    for (qsizetype i = first; i < nodes.size(); ++i)
        count += IsDFSDisc(nodes[i]->Entry);
    return count;
}

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
    ShowWaitWindow(squash ? QStringLiteral("Squashing DFS-object")
                          : QStringLiteral("Expanding DFS-object"),
                   true, true);
    Brelk->StartBulktransfer();
    const auto count = selected.size();
    for (qsizetype i = 0; i < count; ++i) {
        TMyTreeNode* node = selected[i];
        TBrelkCatEntry* entry = node->Entry;
        if (!IsDFSDisc(entry) || !Brelk->InCatalogue(entry))
            continue;
        const QString name = CardNameText(entry->Name());
        const float percent = float(double(i + 1) / double(count) * 100.0);
        // A Cancel pressed during an earlier report shows here: the disc converted while it
        // was pressed is done, and nothing after it is started.
        if (ReportProgress(QStringLiteral("Object: ") + name, percent))
            break;
        const TDiscTransformResult result = brelk::TransformDiscObject(*Brelk, entry, squash);
        if (result == TDiscTransformResult::WritesStopped) {
            Ask.Message(QString::fromStdString(brelk::WritesStoppedMessage(
                            squash, std::size_t(DFSDiscsFrom(selected, i)))),
                        TPrompter::TIcon::Error, TPrompter::TButtons::OK);
            break;
        }
        if (result == TDiscTransformResult::Converted) {
            SetNodeImage(node, brelk::ObjectImageIndex(*entry));
            continue;
        }
        const std::string message = brelk::DiscTransformMessage(result, squash, entry->Name());
        if (!message.empty())
            Ask.Message(QString::fromStdString(message), TPrompter::TIcon::Error,
                        TPrompter::TButtons::OK);
    }
    Brelk->StopBulktransfer();
    CloseWaitWindow();
    ShowObjectInfo(selected.first()->Entry);
    UpdateTopbarInfo();
}
