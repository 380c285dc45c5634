// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/FaxViewerCommands.h"

#include "core/fax/FaxRecordStore.h"
#include "core/platform/Gbk.h"
#include "ui/kit/AppServices.h"
#include "ui/kit/DocumentDialogs.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/viewer/FaxOutput.h"
#include "ui/viewer/FaxViewerWindow.h"

bool PreviewFaxCommand(const FaxRecord& record, const AppServices& services, QWidget* parent) {
    return OpenFaxViewer(record, ViewerServicesOf(services), parent)->Loaded();
}

bool PrintFaxCommand(const FaxRecord& record, const AppServices& services, QWidget* parent) {
    FaxPageImages images;
    if (!images.Open(gbk::ToQString(record.file))) {
        services.messages.Show(parent, images.ErrorText(), MessageBoxService::Icon::None);
        return false;
    }
    return faxoutput::PrintFax(parent, Documents(services), services.messages, images,
                               gbk::ToQString(FaxPdfExport::SourceOfRecord(record).title));
}

bool ExportPdfCommand(const FaxRecord& record, const AppServices& services, QWidget* parent) {
    return faxoutput::ExportPdf(parent, Documents(services), services.messages, {FaxPdfExport::SourceOfRecord(record)},
                                faxoutput::SuggestedPdfPath(gbk::ToQString(record.file)));
}
