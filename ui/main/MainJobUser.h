// The window's side of a job: notices as message boxes, progress in the wait window (when
// given), and every question worded here and asked as a message box. A command whose job
// needs another answer overrides the one Answer it changes.
#pragma once

#include "explorer/JobUser.h"
#include "ui/aux/Prompter.h"

#include <QString>

class TPrompterJobUser : public brelk::TJobUser {
  public:
    explicit TPrompterJobUser(TPrompter& prompter, brelk::TJobProgress* progress = nullptr)
        : Prompter(prompter), Wait(progress) {}
    void Notify(brelk::TNotice kind, const std::string& text) override;
    brelk::TAnswer Ask(const brelk::TQuery& question) final {
        return brelk::AnswerWith(*this, question);
    }
    brelk::TJobProgress* Progress() override { return Wait; }

    // One answer per query; Ask hands each query to its own.
    // The object Name of an import is on the card: Yes, No or Cancel.
    virtual brelk::TAnswer Answer(const brelk::query::TOverwrite& question);
    // A restore onto a card without a catalogue: Yes formats, Cancel (Enter) gives up.
    virtual brelk::TAnswer Answer(const brelk::query::TMustFormat& question);
    // A restore that formats first: Yes formats, No (Enter) keeps the card, Cancel gives up.
    virtual brelk::TAnswer Answer(const brelk::query::TFormatFirst& question);
    // The format question, whatever the card holds; Enter answers No.
    virtual brelk::TAnswer Answer(const brelk::query::TLoseObjects& question);
    // An object without a name is left out, with an error message.
    virtual brelk::TAnswer Answer(const brelk::query::TNameMissing& question);
    // The window moves objects deleted already with the others: they stay deleted.
    virtual brelk::TAnswer Answer(const brelk::query::TDeletedAlready& question);
    // The repair of a damaged catalogue, its plan said: Yes or No (Enter).
    virtual brelk::TAnswer Answer(const brelk::query::TRepairCatalogue& question);

  protected:
    TPrompter& Prompter;

  private:
    brelk::TJobProgress* Wait;
};

// The texts of the questions above, as the message boxes show them.
QString OverwriteQuestionText(const std::string& name);
QString MustFormatQuestionText(const brelk::query::TMustFormat& question);
QString FormatFirstQuestionText(const brelk::query::TFormatFirst& question);
QString RepairQuestionText(const std::string& plan);
