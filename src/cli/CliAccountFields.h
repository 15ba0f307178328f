// The fields of an account as add and edit take them from the command line, and the rules they keep.
#pragma once

#include "CliCommand.h"
#include "clsAccount.h"

#include <vector>

class TCliArguments;

// --login, --password, --generate, --ask, --email, --web, --notes, --protected.
const std::vector<TCliOption>& CliAccountOptions();

// The account editor's trim (the store's rule).
QString CliTrimmed(const QString& text);

// Writes the fields given on the command line into the account; those not given stay. --ask is not
// answered here (see CliAskAccountPassword), as it is asked after the file password.
void CliApplyAccountFields(TKYVNAccount& account, const TCliArguments& args);
// With --ask: the account's password, asked as the file password is.
void CliAskAccountPassword(TKYVNAccount& account, const TCliArguments& args);

// The rules every account of a file keeps; raises EQsException (exit 1) naming the field.
void CliCheckAccount(const TKYVNAccount& account);
