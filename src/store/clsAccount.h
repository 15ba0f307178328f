// One account of a passwords file, and the small text helpers of the file format.
#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

// Day 0 of the program's dates: 30 December 1899. A new account carries it as both dates.
QDate KyvnDayZero();

class TKYVNAccount {
public:
    QString AccountName;
    QString Login;
    QString Password;
    QString Email;
    QString Web;
    QString Notes; // may hold line breaks (CR LF)
    bool Protected = false;
    QDate Created = KyvnDayZero();
    QDate Modified = KyvnDayZero();
};

// The nine fields in their fixed order, named by their captions.
enum TKYVNField { kfAccountName, kfLogin, kfPassword, kfEmail, kfWeb, kfNotes, kfProtected, kfCreated, kfModified };
constexpr int KyvnFieldCount = 9;
// "Account Name", "Login", "Password", "Email", "Web", "Notes", "Protected", "Created", "Modified".
QString KyvnFieldCaption(int field);
// The field of a caption (letters a to z folded on both sides), or -1.
int KyvnFieldOfCaption(QStringView caption);

// Account names, passwords and captions compare with only the letters a to z folded to A to Z;
// every other character, accented letters included, must match exactly.
bool KyvnSameText(QStringView a, QStringView b);

QString BoolToText(bool value);        // "True" / "False"
bool TextToBool(const QString& text);  // exactly "True"
QString DateToText(const QDate& date); // "DDMMYYYY"
// Day from characters 1-2, month 3-4, year 5-8. Raises EQsException with "'%s' is not a valid integer
// value" for a part that is not a number, "Invalid argument to date encode" for an impossible date.
QDate TextToDate(const QString& text);

QString ReplaceChar(QString text, QChar from, QChar to);
// Removes the reserved characters ' and #, which the file uses for the line breaks of the notes.
QString StripReserved(QString text);
bool HasReservedChars(QStringView text);

// The text of the field named by the caption (letters a to z folded); dates in the user's short date
// format; an unknown caption gives "".
QString GetAccountField(const TKYVNAccount& account, const QString& caption);
