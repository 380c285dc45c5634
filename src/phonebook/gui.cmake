# Windows of this layer, compiled into faxdesk_gui.
target_sources(faxdesk_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CPhoneNumberDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/CPhoneNumberDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CCallerRecordDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/CCallerRecordDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnPhoneNumbers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnCallerRecords.cpp
)
