# Windows of this layer, compiled into faxdesk_gui.
target_sources(faxdesk_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/OnModemSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CModemSettingsDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/CModemSettingsDlg.cpp
)
