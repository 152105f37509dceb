#pragma once

#include "store/session.h"

#include <QString>
#include <memory>

namespace brela {

// A stored form copied into a private library in memory, where it is that
// library's working copy: validating and generating there leaves the
// operator's working copy (maybe open, maybe edited) and every stored form
// as they were, however many printers the run goes to.
class ScratchCopy {
public:
    explicit ScratchCopy(Session& library);
    ~ScratchCopy();
    ScratchCopy(const ScratchCopy&) = delete;
    ScratchCopy& operator=(const ScratchCopy&) = delete;

    // Copies stored form `formId` under `name` into the scratch working copy.
    // False after telling the operator.
    bool load(qint16 formId, const QString& name);

    // The scratch library's session: the library's operator, clock and
    // folder (scripts and logs go where they always go), its own database.
    Session& session() { return *session_; }

private:
    Session& library_;
    std::unique_ptr<Session> session_;
};

} // namespace brela
