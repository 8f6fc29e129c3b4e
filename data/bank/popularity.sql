CREATE TABLE "你是个受欢迎的人吗" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "选项A" TEXT,
  "选项B" TEXT,
  "选项C" TEXT,
  "分数A" NUMERIC,
  "分数B" NUMERIC,
  "分数C" NUMERIC
);
