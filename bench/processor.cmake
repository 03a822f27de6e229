if(TARGET talvo::processor)
  talvo_bench(processor talvo::processor)
endif()
