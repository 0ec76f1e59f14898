#pragma once
// File dialogs that answer from a script: each call takes the next scripted answer (none, as if
// cancelled, when the script is used up) and records the request it was shown with.
#include <deque>
#include <functional>

#include "platform/file_dialog.h"

namespace velotap {

class FakeFileDialogs final : public FileDialogs {
  public:
    std::deque<std::optional<std::string>> saveAnswers, openAnswers;
    std::vector<FileDialogRequest> saveRequests, openRequests;
    // Runs while a dialog is "open", before it answers.
    std::function<void()> whileOpen;

    std::optional<std::string> Save(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return Answer(saveAnswers);
    }
    std::optional<std::string> Open(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return Answer(openAnswers);
    }

  private:
    std::optional<std::string> Answer(std::deque<std::optional<std::string>>& answers) {
        if (whileOpen) whileOpen();
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

}  // namespace velotap
