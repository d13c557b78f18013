#include "ui/main/MainJobUser.h"

#include <QFile>

using brelk::TAnswer;
namespace query = brelk::query;
using TIcon = TPrompter::TIcon;
using TButtons = TPrompter::TButtons;

namespace {

const QChar CR(13);

QString FromCore(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}

TAnswer FromPrompter(TPrompter::TAnswer answer) {
    switch (answer) {
    case TPrompter::TAnswer::Yes:
        return TAnswer::Yes;
    case TPrompter::TAnswer::No:
        return TAnswer::No;
    default:
        return TAnswer::Cancel;
    }
}

QString RestoreWhat(std::size_t count, const std::string& index) {
    return QString::number(count) + QStringLiteral(" objects from '") + FromCore(index) +
           QStringLiteral("'.");
}

} // namespace

QString OverwriteQuestionText(const std::string& name) {
    return QStringLiteral("The object '") + QString::fromStdString(name) +
           QStringLiteral("' will be overwritten.") + CR + CR +
           QStringLiteral("Press YES to overwrite this object or") + CR +
           QStringLiteral("press NO to skip this object or") + CR +
           QStringLiteral("press CANCEL to stop importing completely.");
}

QString MustFormatQuestionText(const query::TMustFormat& question) {
    return QStringLiteral("Your Brelk-card must be formatted before importing ") +
           RestoreWhat(question.Count, question.Index) + CR + CR +
           QStringLiteral("Press YES to format the Brelk-card or") + CR +
           QStringLiteral("Press CANCEL to cancel the import.");
}

QString FormatFirstQuestionText(const query::TFormatFirst& question) {
    return QStringLiteral("Your Brelk-card will be formatted before importing ") +
           RestoreWhat(question.Count, question.Index) + CR + CR +
           QStringLiteral("Press YES to format the Brelk-card or") + CR +
           QStringLiteral("press NO to skip formatting or") + CR +
           QStringLiteral("press CANCEL to cancel the import.");
}

void TPrompterJobUser::Notify(brelk::TNotice kind, const std::string& text) {
    const auto icon = kind == brelk::TNotice::Error     ? TIcon::Error
                      : kind == brelk::TNotice::Warning ? TIcon::Warning
                                                        : TIcon::Information;
    Prompter.Message(FromCore(text), icon, TButtons::OK);
}

TAnswer TPrompterJobUser::Answer(const query::TOverwrite& question) {
    return FromPrompter(Prompter.Message(OverwriteQuestionText(question.Name), TIcon::Confirmation,
                                         TButtons::YesNoCancel));
}

// Both restore questions lead to formatting the card: Enter gives the answer that keeps it.
TAnswer TPrompterJobUser::Answer(const query::TMustFormat& question) {
    return FromPrompter(Prompter.Message(MustFormatQuestionText(question), TIcon::Confirmation,
                                         TButtons::YesCancel, TPrompter::TAnswer::Cancel));
}

TAnswer TPrompterJobUser::Answer(const query::TFormatFirst& question) {
    return FromPrompter(Prompter.Message(FormatFirstQuestionText(question), TIcon::Confirmation,
                                         TButtons::YesNoCancel, TPrompter::TAnswer::No));
}

TAnswer TPrompterJobUser::Answer(const query::TLoseObjects&) {
    const QString text = QStringLiteral("You are about to format the MMC-card.") + CR +
                         QStringLiteral("This will destroy ALL contents on the card.") + CR + CR +
                         QStringLiteral("Do you really want to format the MMC-card?");
    return Prompter.Message(text, TIcon::Confirmation, TButtons::YesNo, TPrompter::TAnswer::No) ==
                   TPrompter::TAnswer::Yes
               ? TAnswer::Yes
               : TAnswer::No;
}

TAnswer TPrompterJobUser::Answer(const query::TNameMissing& question) {
    Notify(brelk::TNotice::Error, "'" + question.File + "' gives no usable object name.");
    return TAnswer::Yes;
}

TAnswer TPrompterJobUser::Answer(const query::TDeletedAlready&) {
    return TAnswer::Yes;
}

QString RepairQuestionText(const std::string& plan) {
    return QStringLiteral("Repair the catalogue? Every change it makes is listed afterwards.") +
           CR + QStringLiteral("The repair will %1.").arg(QString::fromStdString(plan));
}

TAnswer TPrompterJobUser::Answer(const query::TRepairCatalogue& question) {
    return Prompter.Message(RepairQuestionText(question.Plan), TIcon::Warning, TButtons::YesNo,
                            TPrompter::TAnswer::No) == TPrompter::TAnswer::Yes
               ? TAnswer::Yes
               : TAnswer::No;
}
