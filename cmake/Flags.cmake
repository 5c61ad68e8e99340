# Compiler and linker settings shared by the program and its layers.

# The same sources build for x86 (the product) and x64. The x86 symbols carry the C
# decoration's underscore; the manifests name the build's processor architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QM_SYMBOL_PREFIX "")
  set(QM_MANIFEST_ARCHITECTURE amd64)
else()
  set(QM_SYMBOL_PREFIX _)
  set(QM_MANIFEST_ARCHITECTURE x86)
endif()

if(MSVC)
  # The static runtime in every configuration: the program never runs the runtime's start-up
  # and must not import its redistributable DLLs.
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  # CMake's default /EHsc would bring the runtime's frame handler into a program that
  # throws nothing; only the MSVC build has no tests of its own to need it.
  string(REGEX REPLACE "/EH[a-z]*" "" CMAKE_CXX_FLAGS "${CMAKE_CXX_FLAGS}")
  # The program code uses no exceptions or RTTI.
  set(QM_CODE_FLAGS /W4 /GR- /GS- /EHs-c- /D_HAS_EXCEPTIONS=0 /Gy /Gw /O1 /DUNICODE /D_UNICODE
      /DWIN32_LEAN_AND_MEAN /D_CRT_SECURE_NO_WARNINGS /wd4100)
  # DLLs that Windows loads for the imports, before the entry point, come from System32 only.
  set(QM_EXE_LINK /SUBSYSTEM:WINDOWS /ENTRY:ProcessEntry /OPT:REF /OPT:ICF /MANIFEST:NO
      /MERGE:.CRT=.rdata /MERGE:.pdata=.rdata /MERGE:.rdata=.text /DEPENDENTLOADFLAG:0x800)
else()
  # -fdata-sections is left out on purpose: with this mingw it moves zero-initialised
  # statics into file bytes.
  set(QM_CODE_FLAGS -Wall -Wextra -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
      -ffunction-sections -fno-ident -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN
      # No folder's path may reach the program: builds in any folders give the same bytes.
      -ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
  set(QM_EXE_LINK -mwindows -nostartfiles -Wl,--entry=${QM_SYMBOL_PREFIX}ProcessEntry
      -Wl,--gc-sections -s -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
endif()

set(QM_SYSTEM_LIBS ole32 oleaut32 comctl32 advapi32 shell32 gdi32 user32 kernel32)

# A layer of the program: a static library from the named sources.
function(quillmark_layer name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE ${QM_CODE_FLAGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
endfunction()

# A resource script's manifest: the template with the build's processor architecture, written
# to the build folder, which the script's compile searches.
function(quillmark_manifest target template)
  get_filename_component(name ${template} NAME_WLE)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest)
  configure_file(${template} ${folder}/${name} @ONLY)
  target_include_directories(${target} PRIVATE ${folder})
endfunction()
