// The types that the dialog layer's parts and its callers share.
#pragma once

#include <windows.h>
#include <stdint.h>

// The application's handler for a dialog, a control or a menu item; nonzero = handled.
using DialogCallback = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

// Coordinate modes; any mode value with the bit of Pixels set selects Pixels.
enum class CoordinateMode : int32_t { DialogUnits = 1, Pixels = 2 };

// A colour that leaves the system's own; no COLORREF of a real colour has this value.
constexpr COLORREF kColourNotSet = static_cast<COLORREF>(-3);

// What a control is: its window class and the style rules it is created with.
enum class ControlKind : int32_t {
    CustomClass = 0,
    PushButton = 1,
    CheckBox3State = 2,
    CheckBox = 3,
    GroupBox = 4,
    Label = 5,
    EtchedLine = 6,
    RadioButton = 7,
    ScrollBar = 8,
    EditBox = 9,
    Image = 10,
    ScaledImage = 11,
    ImageButton = 12,
    ScaledImageButton = 13,
    Graphic = 14,
    ScaledGraphic = 15,
    Header = 16,
    ListView = 17,
    TreeView = 18,
    ProgressBar = 19,
    StatusBar = 20,
    ToolBar = 21,
    TabControl = 22,
    ActiveXHost = 23,
    ComboBox = 24,
    ListBox = 25,
};
