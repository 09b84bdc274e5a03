#include "BatchRequest.h"

#include "Setup.h"

BatchRequest BatchRequest::Of(const Setup& setup)
{
    BatchRequest request;
    request.inputFolder = setup.strDirpath[Setup::Input];
    request.inputSpec = setup.strFilespec[Setup::Input];
    request.outputFolder = setup.strDirpath[Setup::Output];
    request.outputSpec = setup.strFilespec[Setup::Output];
    request.encrypt = setup.blnEncrypt;
    request.inPlace = setup.blnOutputFilesSame;
    request.subfolders = setup.blnSubdirectories;
    request.singleFile = setup.blnSingleFile;
    request.repairable = setup.blnRepairable;
    request.minSizeForRandomness = setup.intMinFilesizeForRandomness;
    request.minRandomness = setup.dblMinZR7Randomness;
    return request;
}
