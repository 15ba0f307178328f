// The command line of one command: its positional arguments and its options, checked against its row.
#pragma once

#include "CliCommand.h"

#include <QStringList>

#include <map>

class TCliArguments {
public:
    // Options come as "--name value" or "--name=value", anywhere among the positional arguments; "--"
    // ends them. Raises a usage error for an unknown option, a missing value, an option given twice
    // that is not repeatable, or a wrong number of positional arguments.
    TCliArguments(const TCliCommand& command, const QStringList& args);

    bool Has(const char* name) const;
    // The value of the option, or an empty text.
    QString Value(const char* name) const;
    // Every value of a repeatable option, in order.
    QStringList Values(const char* name) const;
    // The value as a whole number from low to high; a usage error otherwise.
    int Number(const char* name, int low, int high, int fallback) const;
    // A usage error unless at most one of the options is given.
    void Exclusive(std::initializer_list<const char*> names) const;

    QStringList Positional;

private:
    const TCliCommand& command_;
    std::map<QString, QStringList> options_;
};

// The options every command that reads a password takes.
extern const TCliOption CliPasswordFdOption;
