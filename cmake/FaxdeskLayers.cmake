# The layers of src/ are static libraries, each linking only the layers below it (docs/architecture.md):
#   core     faxdesk_platform, _modem, _faxlist, _settings, _fax, _phonebook, _installation: Qt Core, no widgets
#   gui      faxdesk_gui, the window kit every feature window uses
#   windows  faxdesk_<feature>_windows, in the feature's own folder beside its core library
#   app      faxdesk_app, the shell: application object, main frame, install and about dialogs, per-OS code
# A static library alone never fails to link, so every one of them is also linked on its own here.
option(FAXDESK_CHECK_LAYERS "Link every library of src/ and sim/ on its own with only what it links" ON)

file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/faxdesk_links_main.cpp CONTENT "int main() { return 0; }\n")

# faxdesk_check_links(TARGET): builds TARGET_links, a program made of every object of the static
# library TARGET and of the libraries TARGET links, nothing else. A call from TARGET into a library
# it does not link (a layer above it, or a neighbour) finds no definition there and fails the build:
#   undefined reference to `MainWindow::...'
# Not under the fuzz build, whose coverage hooks only the fuzz targets' own link provides.
function(faxdesk_check_links target)
    if(NOT FAXDESK_CHECK_LAYERS OR FAXDESK_BUILD_FUZZ)
        return()
    endif()
    add_executable(${target}_links ${PROJECT_BINARY_DIR}/faxdesk_links_main.cpp)
    target_link_libraries(${target}_links PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}>" faxdesk_options)
    set_target_properties(${target}_links PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endfunction()
