# Compiler and linker settings shared by the program and its layers.

if(MSVC)
  # The program code uses no exceptions or RTTI; tests bring their own settings.
  set(QM_CODE_FLAGS /W4 /GR- /GS- /Gy /Gw /O1 /DUNICODE /D_UNICODE /DWIN32_LEAN_AND_MEAN
      /D_CRT_SECURE_NO_WARNINGS /wd4100)
  set(QM_EXE_LINK /SUBSYSTEM:WINDOWS /ENTRY:ProcessEntry /OPT:REF /OPT:ICF /MANIFEST:NO)
else()
  # -fdata-sections is left out on purpose: with this mingw it moves zero-initialised
  # statics into file bytes.
  set(QM_CODE_FLAGS -Wall -Wextra -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
      -ffunction-sections -fno-ident -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN)
  set(QM_EXE_LINK -mwindows -nostartfiles -Wl,--entry=_ProcessEntry -Wl,--gc-sections -s
      -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
endif()

set(QM_SYSTEM_LIBS ole32 oleaut32 comctl32 advapi32 shell32 gdi32 user32 kernel32)

# A layer of the program: a static library from the named sources.
function(quillmark_layer name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE ${QM_CODE_FLAGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
endfunction()
