CREATE TABLE "逻辑思考能力自测" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "选项1" TEXT,
  "选项2" TEXT,
  "选项3" TEXT,
  "分数A1（是）" NUMERIC,
  "分数B1（否）" NUMERIC,
  "分数A2（是）" NUMERIC,
  "分数B2（否）" NUMERIC,
  "分数A3（是）" NUMERIC,
  "分数B3（否）" NUMERIC
);
