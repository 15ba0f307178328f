// The application record: the program's identity, read by the support library and the dialogs.
#pragma once

#include "QsRegUtils.h"

#include <QString>

struct TQsWebAddresses {
    QString HomePage;
    QString SupportEmail;
};

struct TQsApplication {
    QString ExeName;
    QString ExePath; // with the trailing separator
    TQsRegRoot RegistryRoot = TQsRegRoot::LocalMachine;
    QString CompanyKey;
    QString ProductKey;
    QString ProductName;
    QString FamilyName;
    QString ShortName;
    QString Title;
    QString Version;
    QString SpecialVersion;
    bool English = true;
    QString IconName; // icon theme name of the program's icon
    QString LegalNotice;
    QString OtherNotices;
    QString DialogFont;
    QString HelpFile;
    TQsWebAddresses WebAddresses;
    quint32 ThemeColor = 0; // red in the lowest byte
};

// The process-wide record; null before start-up fills it and after shutdown releases it.
extern TQsApplication* AppInfo;
