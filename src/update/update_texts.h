#pragma once

#include "common/localized_text.h"

namespace vantiro::update {

inline constexpr LocalizedText kTextChecking{u"Söker efter uppdateringar …",
                                             u"Checking for updates …"};
inline constexpr LocalizedText kTextBootChecking{u"Kontrollerar uppdateringar …",
                                                 u"Checking for updates …"};
inline constexpr LocalizedText kTextUnreachable{u"Kunde inte nå uppdateringsservern.",
                                                u"Could not reach the update server."};
inline constexpr LocalizedText kTextUpToDate{u"Du har den senaste versionen.",
                                             u"You're up to date."};
// Followed by the version.
inline constexpr LocalizedText kTextAvailablePrefix{u"Uppdatering tillgänglig: v",
                                                    u"Update available: v"};
inline constexpr LocalizedText kTextReadyPrefix{u"Ny version redo: v", u"New version ready: v"};
inline constexpr LocalizedText kTextDownloading{u"Hämtar uppdatering", u"Downloading update"};
inline constexpr LocalizedText kTextVerifyingSignature{u"Verifierar signatur …",
                                                       u"Verifying signature …"};
inline constexpr LocalizedText kTextRestarting{u"Startar om Vantiro Studio …",
                                               u"Restarting Vantiro Studio …"};
inline constexpr LocalizedText kTextVerifyingAndInstalling{
    u"Verifierar och installerar uppdatering …", u"Verifying and installing update …"};
inline constexpr LocalizedText kTextCouldNotInstall{
    u"Kunde inte installera uppdateringen automatiskt — öppnar nedladdning.",
    u"Could not install the update automatically — opening download."};
inline constexpr LocalizedText kTextCouldNotVerify{
    u"Uppdateringen kunde inte verifieras — öppnar nedladdning.",
    u"Could not verify the update — opening download."};
inline constexpr LocalizedText kTextRestoreFailed{
    u"Kunde inte återställa efter uppdateringsfel — ladda ner Vantiro igen.",
    u"Could not restore after update failure — please re-download Vantiro."};

}  // namespace vantiro::update
