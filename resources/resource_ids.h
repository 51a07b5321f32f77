/* Resource identifiers of the installer, shared by the resource scripts (windres reads
   this file through the C preprocessor) and the code. Plain definitions only. */
#ifndef QS_RESOURCES_RESOURCE_IDS_H
#define QS_RESOURCES_RESOURCE_IDS_H

#define QS_ICON_RESOURCE_ID 100    /* icon group: the window icon */
#define QS_BITMAP_RESOURCE_ID 101  /* bitmap: the background picture */
#define QS_PACKAGE_RESOURCE_ID 100 /* RCDATA: the package */
#define QS_VERSION_RESOURCE_ID 1   /* the version block */
#define QS_MANIFEST_RESOURCE_ID 1  /* RT_MANIFEST: the application manifest */

#endif
