// libdispatch as Apple declares it under ARC (queues are Objective-C objects), for
// handing work to the main queue and to a global one.
#pragma once
#import <Foundation/Foundation.h>

@protocol OS_dispatch_queue <NSObject>
@end
typedef NSObject<OS_dispatch_queue>* dispatch_queue_t;
@protocol OS_dispatch_queue_global <OS_dispatch_queue>
@end
typedef NSObject<OS_dispatch_queue_global>* dispatch_queue_global_t;
#define DISPATCH_QUEUE_PRIORITY_DEFAULT 0
typedef void (^dispatch_block_t)(void);

#ifdef __cplusplus
extern "C" {
#endif
dispatch_queue_t dispatch_get_main_queue(void);
dispatch_queue_global_t dispatch_get_global_queue(intptr_t identifier, uintptr_t flags);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
void dispatch_sync(dispatch_queue_t queue, dispatch_block_t block);
#ifdef __cplusplus
}
#endif
