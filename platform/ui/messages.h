#pragma once

#include <cstdint>

class QWidget;

// The few window messages the program sends to its own controls and windows,
// answered the way the controls of the classic platform answered them.
namespace dezu::ui {

inline constexpr unsigned EM_LINESCROLL = 0x00B6;
inline constexpr unsigned EM_GETLINECOUNT = 0x00BA;
inline constexpr unsigned EM_LINEINDEX = 0x00BB;
inline constexpr unsigned EM_LINELENGTH = 0x00C1;
inline constexpr unsigned LB_ITEMFROMPOINT = 0x01A9;
inline constexpr unsigned WM_SYSCOMMAND = 0x0112;
inline constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr unsigned WM_MOUSEWHEEL = 0x020A;
inline constexpr std::intptr_t SC_SCREENSAVE = 0xF140;
inline constexpr std::intptr_t HTCAPTION = 2;

// Sends the message and waits for its answer. A message the target does not
// handle answers 0.
std::intptr_t send_message(QWidget* target, unsigned message, std::intptr_t wparam,
                           std::intptr_t lparam);

namespace detail {
// Each family of messages is answered in a file of its own.
bool edit_message(QWidget* target, unsigned message, std::intptr_t wparam, std::intptr_t lparam,
                  std::intptr_t& answer);
bool list_message(QWidget* target, unsigned message, std::intptr_t wparam, std::intptr_t lparam,
                  std::intptr_t& answer);
bool window_message(QWidget* target, unsigned message, std::intptr_t wparam, std::intptr_t lparam,
                    std::intptr_t& answer);
}  // namespace detail

}  // namespace dezu::ui
