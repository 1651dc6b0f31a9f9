#pragma once
// The program's posted window messages. The numbers are fixed: WM_USER + n.
#include <cstdint>

#include "platform/message_queue.h"

namespace velorin {

// Main window, from the sign-in flow and the service links. wParam and lParam:
//   WM_SIGN_IN         user id and password (a payload), or none for the saved ones
//   WM_SESSION_STEP    step 0 to 5, result code
//   WM_LINK_LOST       error code at the drop, 0 session link / 1 cache link
//   WM_DUPLICATE_LOGIN the value of the server's order to leave
inline constexpr uint32_t WM_SHOW_SIGN_IN = WM_USER + 101;      // 0x0465
inline constexpr uint32_t WM_SIGN_IN = WM_USER + 102;           // 0x0466
inline constexpr uint32_t WM_SESSION_STEP = WM_USER + 103;      // 0x0467
inline constexpr uint32_t WM_LINK_LOST = WM_USER + 104;         // 0x0468
inline constexpr uint32_t WM_SERVER_LIST_DONE = WM_USER + 105;  // 0x0469
inline constexpr uint32_t WM_MEMBER_INFO = WM_USER + 106;       // 0x046A
// Transfer views, from the transfer workers and the file server.
inline constexpr uint32_t WM_TRANSFER_CHANGED = WM_USER + 107;  // 0x046B
// Transfer view: refill the member list, keeping the selection while it exists.
inline constexpr uint32_t WM_TRANSFER_MEMBERS = WM_USER + 109;  // 0x046D
// Server view, from the file server.
inline constexpr uint32_t WM_VISITORS_CHANGED = WM_USER + 108;  // 0x046C
// Main window, from the tray icon. Shares its number with WM_BROWSE_NOTICE,
// which goes to another window.
inline constexpr uint32_t WM_TRAY_CALLBACK = WM_USER + 112;  // 0x0470
// Server explorer page, from the browse session.
inline constexpr uint32_t WM_BROWSE_NOTICE = WM_USER + 112;       // 0x0470
inline constexpr uint32_t WM_BROWSE_FOLDER_INFO = WM_USER + 113;  // 0x0471
inline constexpr uint32_t WM_BROWSE_FOLDER_FILE = WM_USER + 114;  // 0x0472
// The rest of what the browse session reports: wParam a BrowseEvent
// (transfer/browse_session.h), with a payload where it names one.
inline constexpr uint32_t WM_BROWSE_EVENT = WM_USER + 115;  // 0x0473
// Main window, from the session link and the note store.
inline constexpr uint32_t WM_DUPLICATE_LOGIN = WM_USER + 120;  // 0x0478
inline constexpr uint32_t WM_NOTE_ARRIVED = WM_USER + 121;     // 0x0479
// Main window, clicks on the pop-ups: the event pop-up's text (wParam: its
// identifier), the status pop-up's download-folder link, the rest of the status pop-up.
inline constexpr uint32_t WM_POPUP_EVENT_CLICK = WM_USER + 200;     // 0x04C8
inline constexpr uint32_t WM_POPUP_OPEN_DOWNLOADS = WM_USER + 201;  // 0x04C9
inline constexpr uint32_t WM_POPUP_SHOW_MAIN = WM_USER + 202;       // 0x04CA
// Search page, from the searcher thread.
inline constexpr uint32_t WM_SEARCH_SORT = WM_USER + 203;  // 0x04CB
// Main window, from the transfer engine after a payment.
inline constexpr uint32_t WM_POINTS_CHANGED = WM_USER + 204;  // 0x04CC

// WM_LINK_LOST's lParam.
inline constexpr intptr_t kSessionLink = 0;
inline constexpr intptr_t kCacheLink = 1;

}  // namespace velorin
