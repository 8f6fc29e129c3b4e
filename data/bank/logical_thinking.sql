CREATE TABLE "逻辑思维能力测试" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "选项A" TEXT,
  "选项B" TEXT,
  "选项C" TEXT,
  "选项D" TEXT,
  "选项E" TEXT,
  "分数A" NUMERIC,
  "分数B" NUMERIC,
  "分数C" NUMERIC,
  "分数D" NUMERIC,
  "分数E" NUMERIC
);
