#pragma once
// The maker's addresses that the program shows or opens, kept in one place: the web
// site (closing the window, Support > Online, the Web Site button), the support mail
// address (Support > Email, Email Report) and the support telephone numbers.
#include <string>

namespace qr::app {

inline const std::string kMakerWebSite = "https://www.quarrixdale.example/";
inline const std::string kSupportMail = "support@quarrixdale.example";
inline const std::string kSupportPhone1 = "+1 555 0100";
inline const std::string kSupportPhone2 = "+1 555 0101";

} // namespace qr::app
